#include "net/TlsChannel.h"
#include "ErrorMessage.h"
#include "ScriptedServer.h"
#include "TemporaryDataDirectory.h"
#include "TestCertificates.h"
#include "TlsTestServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QByteArray Request = "POST / HTTP/1.0\r\nContent-Length: 4\r\n\r\nurl=";
const QString HandshakeFailed = QStringLiteral("Error connecting with SSL.\r\n");

class TlsChannelTest : public ::testing::Test
{
protected:
    TlsChannelTest() : authorityFile(TestCertificates::writeAuthorityFile(directory.path()))
    {
        channel.setReadTimeout(10000);
    }

    void trustTestAuthority() { channel.setExtraCaFile(authorityFile); }

    QString handshakeError(const TlsTestServer &server, const QString &host = "127.0.0.1")
    {
        return errorMessageOf([&] { channel.open(host, server.port(), ChannelMode::Tls); });
    }

    TemporaryDataDirectory directory;
    QString authorityFile;
    TlsChannel channel;
};

TlsTestServer::Options answering(const QByteArray &answer,
                                 const TestCertificate *certificate = nullptr)
{
    TlsTestServer::Options options;
    options.answer = answer;
    options.certificate = certificate;
    return options;
}

TlsTestServer::Options behaving(TlsTestServer::Behaviour behaviour)
{
    TlsTestServer::Options options;
    options.behaviour = behaviour;
    return options;
}

// Whether a bare OpenSSL client limited to TLS 1.0 completes a handshake with the server.
bool tls10ClientConnects(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    SSL_CTX *context = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_security_level(context, 0);
    SSL_CTX_set_cipher_list(context, "DEFAULT@SECLEVEL=0");
    SSL_CTX_set_min_proto_version(context, TLS1_VERSION);
    SSL_CTX_set_max_proto_version(context, TLS1_VERSION);
    SSL *ssl = SSL_new(context);
    SSL_set_fd(ssl, fd);
    const bool connected = SSL_connect(ssl) == 1;
    if (connected)
        SSL_shutdown(ssl);
    SSL_free(ssl);
    SSL_CTX_free(context);
    ::close(fd);
    return connected;
}

} // namespace

TEST_F(TlsChannelTest, TrustsALeafOfTheExtraAuthorityByAddressAndByName)
{
    TlsTestServer server(answering("pong\r\n"));
    trustTestAuthority();
    for (const QString &host : {QStringLiteral("127.0.0.1"), QStringLiteral("localhost")}) {
        channel.open(host, server.port(), ChannelMode::Tls);
        EXPECT_TRUE(channel.isOpen()) << host.toStdString();
        channel.write(Request);
        EXPECT_EQ(channel.readLine(), QByteArray("pong")) << host.toStdString();
        channel.close();
    }
    EXPECT_EQ(server.requests(), QList<QByteArray>({Request, Request}));
    // A server name goes with a host name, never with an address.
    EXPECT_EQ(server.serverNames(), QStringList({QString(), QStringLiteral("localhost")}));
}

TEST_F(TlsChannelTest, KeepsOneConnectionForSeveralExchanges)
{
    QByteArray big;
    for (int i = 0; big.size() < 200000; ++i)
        big += QByteArray::number(i) + ' ';
    TlsTestServer server(answering(big + "\n"));
    trustTestAuthority();
    channel.open("localhost", server.port(), ChannelMode::Tls);
    for (int round = 0; round < 3; ++round) {
        channel.write(Request);
        EXPECT_EQ(channel.readAtMost(big.size() + 1), big + "\n");
        EXPECT_TRUE(channel.isOpen());
    }
    EXPECT_EQ(server.requests().size(), 3);
    EXPECT_EQ(server.serverNames().size(), 1);
}

TEST_F(TlsChannelTest, RefusesALeafOfAnUntrustedAuthority)
{
    TlsTestServer server(answering("pong\r\n"));
    const QString message = handshakeError(server);
    EXPECT_TRUE(message.startsWith(HandshakeFailed)) << message.toStdString();
    EXPECT_TRUE(
        message.endsWith("certificate verify failed (unable to get local issuer certificate)"))
        << message.toStdString();
    EXPECT_FALSE(channel.isOpen());
    EXPECT_TRUE(server.requests().isEmpty());
    // Trusting the authority afterwards takes effect on the same channel.
    trustTestAuthority();
    channel.open("localhost", server.port(), ChannelMode::Tls);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("pong"));
}

TEST_F(TlsChannelTest, RefusesSelfSignedExpiredAndWrongHostCertificatesAndSaysWhy)
{
    trustTestAuthority();
    struct Case
    {
        const TestCertificate *certificate;
        QString host;
        QString reason;
    };
    const Case cases[] = {
        {&TestCertificates::selfSigned(), "127.0.0.1", "(self-signed certificate)"},
        {&TestCertificates::selfSigned(), "localhost", "(self-signed certificate)"},
        {&TestCertificates::expired(), "127.0.0.1", "(certificate has expired)"},
        {&TestCertificates::expired(), "localhost", "(certificate has expired)"},
        {&TestCertificates::wrongHost(), "127.0.0.1", "(IP address mismatch)"},
        {&TestCertificates::wrongHost(), "localhost", "(hostname mismatch)"},
    };
    for (const Case &c : cases) {
        TlsTestServer server(answering("pong\r\n", c.certificate));
        const QString message = handshakeError(server, c.host);
        EXPECT_TRUE(message.startsWith(HandshakeFailed)) << message.toStdString();
        EXPECT_TRUE(message.endsWith("certificate verify failed " + c.reason))
            << message.toStdString();
        EXPECT_FALSE(channel.isOpen());
        EXPECT_TRUE(server.requests().isEmpty());
    }
}

TEST_F(TlsChannelTest, RefusesAServerThatOffersOnlyTls10And11)
{
    TlsTestServer::Options options = answering("pong\r\n");
    options.minVersion = TLS1_VERSION;
    options.maxVersion = TLS1_1_VERSION;
    TlsTestServer server(options);
    ASSERT_TRUE(tls10ClientConnects(server.port())) << "the old server does not offer TLS 1.0";
    trustTestAuthority();
    const QString message = handshakeError(server);
    EXPECT_TRUE(message.startsWith(HandshakeFailed)) << message.toStdString();
    EXPECT_GT(message.size(), HandshakeFailed.size()) << "the library's reason is missing";
    EXPECT_FALSE(message.contains("certificate verify failed")) << message.toStdString();
}

TEST_F(TlsChannelTest, SpeaksTls13AndTls12WhenThatIsTheServersBest)
{
    trustTestAuthority();
    for (const int best : {TLS1_3_VERSION, TLS1_2_VERSION}) {
        TlsTestServer::Options options = answering("pong\r\n");
        options.maxVersion = best;
        TlsTestServer server(options);
        channel.open("localhost", server.port(), ChannelMode::Tls);
        channel.write(Request);
        EXPECT_EQ(channel.readLine(), QByteArray("pong"));
        EXPECT_EQ(server.versions(), QList<int>({best}));
        channel.close();
    }
    // Left to itself, a current server agrees on TLS 1.3.
    TlsTestServer server(answering("pong\r\n"));
    channel.open("localhost", server.port(), ChannelMode::Tls);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("pong"));
    EXPECT_EQ(server.versions(), QList<int>({TLS1_3_VERSION}));
}

TEST_F(TlsChannelTest, ASilentServerTimesTheHandshakeOut)
{
    TlsTestServer server(behaving(TlsTestServer::Behaviour::SilentAfterAccept));
    channel.setReadTimeout(200);
    EXPECT_EQ(handshakeError(server), QString("Socket Error # 10060\r\nConnection timed out."));
    EXPECT_FALSE(channel.isOpen());
}

TEST_F(TlsChannelTest, AServerClosingInTheHandshakeViolatesTheProtocol)
{
    TlsTestServer server(behaving(TlsTestServer::Behaviour::CloseInHandshake));
    EXPECT_EQ(handshakeError(server),
              QString("Error connecting with SSL.\r\nEOF was observed that violates the protocol"));
}

TEST_F(TlsChannelTest, AServerResettingInTheHandshakeGivesTheSocketError)
{
    TlsTestServer server(behaving(TlsTestServer::Behaviour::ResetInHandshake));
    EXPECT_EQ(handshakeError(server), QString("Socket Error # 10054\r\nConnection reset by peer."));
}

TEST_F(TlsChannelTest, ASilentPeerTimesTheReadOut)
{
    TlsTestServer server(answering("never sent, the request is not complete\n"));
    trustTestAuthority();
    channel.open("localhost", server.port(), ChannelMode::Tls);
    channel.setReadTimeout(200);
    channel.write("GET / HTTP/1.1\r\n");
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }), QString("Read timed out."));
    EXPECT_FALSE(channel.waitForInput(50));
}

TEST_F(TlsChannelTest, ThePeersCloseNotifyEndsTheStream)
{
    TlsTestServer::Options options = answering("pong\r\nand the rest");
    options.closeAfterAnswer = true;
    TlsTestServer server(options);
    trustTestAuthority();
    channel.open("127.0.0.1", server.port(), ChannelMode::Tls);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("pong"));
    EXPECT_EQ(channel.readAtMost(1000), QByteArray("and the rest"));
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }),
              QString("Connection Closed Gracefully."));
}

TEST_F(TlsChannelTest, CloseSendsOneCloseNotify)
{
    TlsTestServer server(answering("pong\r\n"));
    trustTestAuthority();
    channel.open("localhost", server.port(), ChannelMode::Tls);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("pong"));
    channel.close();
    channel.close();
    EXPECT_FALSE(channel.isOpen());
    ASSERT_TRUE(server.waitForFinishedConnections(1));
    EXPECT_EQ(server.closeNotifies(), 1);
    EXPECT_EQ(server.bytesAfterCloseNotify(), 0);
}

TEST_F(TlsChannelTest, AMissingAuthorityFileIsAContextError)
{
    TlsTestServer server(answering("pong\r\n"));
    channel.setExtraCaFile(directory.filePath("missing.pem"));
    const QString message = handshakeError(server);
    EXPECT_TRUE(message.startsWith("Error creating SSL context.\r\n")) << message.toStdString();
    EXPECT_FALSE(channel.isOpen());
}

TEST_F(TlsChannelTest, APlainServerFailsTheHandshakeWithTheLibrarysReason)
{
    ScriptedServer server(
        {ScriptedServer::Script().send("HTTP/1.1 400 Bad Request\r\n\r\n").close()});
    trustTestAuthority();
    const QString message =
        errorMessageOf([&] { channel.open("127.0.0.1", server.port(), ChannelMode::Tls); });
    EXPECT_TRUE(message.startsWith(HandshakeFailed)) << message.toStdString();
    EXPECT_TRUE(message.contains("wrong version number")) << message.toStdString();
    EXPECT_FALSE(channel.isOpen());
}

TEST_F(TlsChannelTest, AResetAfterTheHandshakeIsTheSocketError)
{
    TlsTestServer server(behaving(TlsTestServer::Behaviour::ResetAfterRequest));
    trustTestAuthority();
    channel.open("localhost", server.port(), ChannelMode::Tls);
    channel.write(Request);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }),
              QString("Socket Error # 10054\r\nConnection reset by peer."));
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(server.requests(), QList<QByteArray>({Request}));
}

TEST_F(TlsChannelTest, APreparedContextServesTheFirstConnectionAndFollowsLaterSettings)
{
    TlsTestServer server(answering("pong\r\n"));
    trustTestAuthority();
    channel.prepareTls();
    channel.prepareTls(); // a second call while the first prepares is no second preparation
    channel.open("localhost", server.port(), ChannelMode::Tls);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("pong"));
    channel.close();

    // Prepared without the authority, which is trusted only afterwards: the connection
    // trusts it all the same.
    TlsChannel later;
    later.setReadTimeout(10000);
    later.prepareTls();
    later.setExtraCaFile(authorityFile);
    later.open("localhost", server.port(), ChannelMode::Tls);
    later.write(Request);
    EXPECT_EQ(later.readLine(), QByteArray("pong"));

    // A context that cannot be made is reported by the connection, as without preparing.
    TlsChannel broken;
    broken.setExtraCaFile(directory.filePath("missing.pem"));
    broken.prepareTls();
    const QString message =
        errorMessageOf([&] { broken.open("localhost", server.port(), ChannelMode::Tls); });
    EXPECT_TRUE(message.startsWith("Error creating SSL context.\r\n")) << message.toStdString();
}
