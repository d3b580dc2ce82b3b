// Arbitrary server answers through the whole answer path of the HTTP client: status lines,
// header blocks, framing, cookies, charsets and the keep-alive decision. The first byte picks
// how the bytes arrive and whether the client caps bodies; the rest is what the server sends:
// all at once, or split in two answers of which the second is sent only when the second
// request is written.
#include "InMemoryChannel.h"
#include "http/HttpClient.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const QByteArray answer(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    InMemoryChannel channel;
    channel.setOneByteReads(mode & 1);
    const auto end = (mode & 2) ? InMemoryChannel::End::Silence : InMemoryChannel::End::PeerCloses;
    if (mode & 8) {
        const qsizetype half = answer.size() / 2;
        channel.addExchanges({answer.left(half), answer.mid(half)}, end);
    } else {
        channel.addConnection(answer, end);
    }
    channel.addConnection(answer, end);
    HttpClient client(channel);
    if (mode & 16)
        client.setMaxBodyBytes(64); // a cap that most bodies meet, in every framing
    // Two requests, so that whatever the first answer leaves behind meets the second one.
    for (int request = 0; request < 2; ++request) {
        try {
            if (mode & 4)
                client.Post(QStringLiteral("https://short.example/--"), {QStringLiteral("url=x")});
            else
                client.Get(QStringLiteral("http://gw.example/a/b?c=d"));
        } catch (const LumettaError &) {
            // Every failure is an error with a message; that is all this checks besides safety.
        }
    }
    return 0;
}
