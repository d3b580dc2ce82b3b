#include "ErrorMessage.h"
#include "ScriptedServer.h"
#include "TemporaryDataDirectory.h"
#include "TestCertificates.h"
#include "TlsTestServer.h"
#include "net/OpenSslLibrary.h"
#include "net/TlsChannel.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class OpenSslLoading : public ::testing::Test
{
protected:
    ~OpenSslLoading() override { OpenSslLibrary::setLibraryNames(QString(), QString()); }
};

} // namespace

TEST_F(OpenSslLoading, WithoutTheLibraryPlainWorksAndTlsFailsUntilItIsFound)
{
    TemporaryDataDirectory directory;
    ScriptedServer plainServer({ScriptedServer::Script().respond("plain\r\n").silent()});
    TlsTestServer::Options options;
    options.answer = "secure\r\n";
    TlsTestServer tlsServer(options);
    const QByteArray request = "GET / HTTP/1.1\r\n\r\n";
    TlsChannel channel;
    channel.setExtraCaFile(TestCertificates::writeAuthorityFile(directory.path()));

    OpenSslLibrary::setLibraryNames("libno-such-ssl.so.3", "libno-such-crypto.so.3");
    EXPECT_EQ(OpenSslLibrary::api(), nullptr);
    channel.open("127.0.0.1", plainServer.port(), ChannelMode::Plain);
    channel.write(request);
    EXPECT_EQ(channel.readLine(), QByteArray("plain"));
    EXPECT_EQ(
        errorMessageOf([&] { channel.open("localhost", tlsServer.port(), ChannelMode::Tls); }),
        QString("Could not load SSL library."));
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(tlsServer.serverNames().size(), 0);

    OpenSslLibrary::setLibraryNames(QString(), QString()); // the real names again
    channel.open("localhost", tlsServer.port(), ChannelMode::Tls);
    channel.write(request);
    EXPECT_EQ(channel.readLine(), QByteArray("secure"));
    EXPECT_NE(OpenSslLibrary::api(), nullptr);
}

TEST_F(OpenSslLoading, LoadsOnceAndKeepsTheTable)
{
    const OpenSslApi *first = OpenSslLibrary::api();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(OpenSslLibrary::api(), first);
    // The table works: an empty error queue gives an empty string.
    first->ERR_clear_error();
    EXPECT_EQ(first->takeErrorString(), QString());
}

TEST_F(OpenSslLoading, ConcurrentFirstUsesLoadOnce)
{
    OpenSslLibrary::setLibraryNames(QString(), QString()); // forget the loaded table
    std::vector<const OpenSslApi *> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = OpenSslLibrary::api(); });
    for (std::thread &thread : threads)
        thread.join();
    ASSERT_NE(seen.front(), nullptr);
    for (const OpenSslApi *table : seen)
        EXPECT_EQ(table, seen.front());
}
