// A post against the real lumetta-standin: the README's sample post, and the stand-in's many
// values a call (50 at most).
#include "QStringPrinter.h"

#include "http/HttpClient.h"
#include "links/OpenPlatformRequest.h"
#include "links/PostLinks.h"
#include "net/TlsChannel.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

namespace {

const QString Key = QStringLiteral("12345678");
const QString Secret = QStringLiteral("lumetta-demo-secret");

// The stand-in on ports the system picks, its output in a file so that it never blocks.
class Standin
{
public:
    Standin()
    {
        const QByteArray log = QFile::encodeName(m_directory.filePath(QStringLiteral("out")));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.constData(), O_WRONLY | O_CREAT, 0600);
        char *argv[] = {const_cast<char *>(LUMETTA_STANDIN_PROGRAM), nullptr};
        if (posix_spawn(&m_pid, LUMETTA_STANDIN_PROGRAM, &actions, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 500 && m_pid > 0 && lines().size() < 3; ++i)
            QThread::msleep(10);
        const QStringList addresses = lines().value(0).split(u' ');
        if (addresses.size() == 3)
            m_services = {addresses[0], addresses[1], addresses[2]};
    }
    ~Standin()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    const LinkServices &services() const { return m_services; }
    // What it printed: three lines of addresses and keys, then one line a request.
    QStringList lines() const
    {
        QFile file(m_directory.filePath(QStringLiteral("out")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_directory;
    pid_t m_pid = -1;
    LinkServices m_services;
};

class StatusView : public PostView
{
public:
    QList<PostRow> rows;

    void rowsFound(const QList<PostRow> &found) override { rows = found; }
    void rowChanged(qsizetype index, const PostRow &row) override { rows[index] = row; }
    void progress(qsizetype, qsizetype) override {}
};

class PostStandinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(standin.services().openPlatform.isEmpty());
        channel.setExtraCaFile(QStringLiteral(LUMETTA_STANDIN_CA));
    }

    // The stand-in logs a request after its answer is sent: its count is read once the log has
    // stayed the same for a while.
    int received(const QString &what) const
    {
        QStringList lines = standin.lines();
        for (int unchanged = 0, i = 0; unchanged < 3 && i < 100; ++i) {
            QThread::msleep(50);
            const QStringList now = standin.lines();
            unchanged = now.size() == lines.size() ? unchanged + 1 : 0;
            lines = now;
        }
        return int(lines.filter(what).size());
    }

    Standin standin;
    TlsChannel channel;
    HttpClient http{channel};
};

} // namespace

TEST_F(PostStandinTest, TheSamplePostGetsALinkForEachAddressButTheOneOutsideTheProgramme)
{
    const QString item = QStringLiteral(
        "https://aliexpress.ru/item/1005003091506814.html?spm=a2g0o.home.0&sku_id=12000");
    const QString text = "Термос: " + item + "\nКружка: " + standin.services().openPlatform +
                         "/_demo\nЕщё термосы: "
                         "https://www.aliexpress.com/wholesale?SearchText=thermos&spm=a2g0o.home.1"
                         "\nТот же термос: " +
                         item +
                         "\nСнят с программы: https://aliexpress.ru/item/1005001234560000.html";
    PostRequest request;
    request.params.api_key = Key;
    request.params.app_secret = Secret;
    request.trackingId = QStringLiteral("demo");
    request.text = text;
    StatusView view;
    ASSERT_TRUE(PostLinks::Convert(request, view, http, standin.services()));

    QStringList statuses;
    for (const PostRow &row : view.rows)
        statuses << row.status;
    EXPECT_EQ(statuses, (QStringList{"готово", "готово", "готово", "готово",
                                     "нет ссылки: товар не участвует в партнёрской программе"}));
    EXPECT_EQ(view.rows[1].title, "Демо-товар " + view.rows[1].productId);
    EXPECT_EQ(view.rows[0].shortLink, view.rows[3].shortLink);
    EXPECT_TRUE(view.rows[2].shortLink.startsWith(standin.services().shortener + "/"));
    const QString replaced = PostLinks::replaced(text, view.rows, true);
    EXPECT_EQ(replaced.count(standin.services().shortener), 4) << replaced.toStdString();
    EXPECT_TRUE(replaced.contains("1005001234560000"));

    // One hop, one facts call, the links in at most two calls, three distinct links shortened.
    EXPECT_EQ(received(" GET /_demo "), 1);
    EXPECT_EQ(received("method=aliexpress.affiliate.productdetail.get"), 1);
    EXPECT_LE(received("method=aliexpress.affiliate.link.generate"), 2);
    EXPECT_EQ(received("shortener POST /--"), 3);
}

TEST_F(PostStandinTest, BothMethodsAnswerEachOfUpToFiftyValuesAndRefuseMore)
{
    struct Case
    {
        const char *method;
        const char *parameter;
        const char *element; // what each element of the answer holds once
    };
    const Case cases[] = {{"aliexpress.affiliate.productdetail.get", "product_ids", "product_id"},
                          {"aliexpress.affiliate.link.generate", "source_values", "source_value"}};
    for (const Case &c : cases) {
        for (const int count : {1, 50, 51}) {
            QStringList values;
            for (int i = 1; i <= count; ++i) {
                const QString id = QString::number(1005000000000000LL + i);
                values << (c.parameter == std::string("product_ids")
                               ? id
                               : "https://www.aliexpress.com/item/" + id + ".html");
            }
            OpenPlatformRequest call(c.method, Key, QDateTime::currentMSecsSinceEpoch());
            call.set(QStringLiteral("tracking_id"), QStringLiteral("demo"));
            call.set(QStringLiteral("promotion_link_type"), QStringLiteral("0"));
            call.set(c.parameter, values.join(u','));
            const QString answer = http.Get(call.url(standin.services().openPlatform, Secret));
            const qsizetype elements = answer.count('"' + QString(c.element) + '"');
            EXPECT_EQ(elements, count > 50 ? 0 : count) << c.method << ' ' << count;
            EXPECT_EQ(answer.contains("isv.invalid-parameter"), count > 50) << c.method;
        }
    }
}
