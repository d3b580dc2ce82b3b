#include "RecordingView.h"

#include "http/HttpClient.h"
#include "links/GatewayStatus.h"
#include "links/PartnerLink.h"
#include "net/TlsChannel.h"
#include "stored/UnParam.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Empty;
const QString ShortFailed = QStringLiteral("Ошибка получения партнёрской короткой ссылки");
const QString ParseFailed = QStringLiteral("Проблемы при разборе данных. Это к разработчику :)");
const QString WrongStatus =
    QStringLiteral("Не корректный статус ответа от API, нужен \"20010000\"");

// The real lumetta-standin, on ports the system picks, stopped when the test ends.
class StandinProcess
{
public:
    StandinProcess()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char *argv[] = {const_cast<char *>(LUMETTA_STANDIN_PROGRAM), nullptr};
        if (posix_spawn(&m_pid, LUMETTA_STANDIN_PROGRAM, &actions, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_output = ::fdopen(fds[0], "r");
        const std::string first = readLine();
        const auto space = first.find(' ');
        if (space != std::string::npos) {
            m_services.apiGateway = QString::fromStdString(first.substr(0, space));
            m_services.shortener = QString::fromStdString(first.substr(space + 1));
        }
    }
    ~StandinProcess()
    {
        stop();
        if (m_output)
            ::fclose(m_output);
    }

    const LinkServices &services() const { return m_services; }

    // Stops the process and gives the lines it wrote after the first.
    std::vector<std::string> stop()
    {
        std::vector<std::string> lines;
        if (m_pid <= 0)
            return lines;
        ::kill(m_pid, SIGTERM);
        for (std::string line = readLine(); !line.empty(); line = readLine())
            lines.push_back(line);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        return lines;
    }

private:
    std::string readLine()
    {
        std::string line;
        for (int c = std::fgetc(m_output); c != EOF && c != '\n'; c = std::fgetc(m_output))
            line += char(c);
        return line;
    }

    pid_t m_pid = -1;
    std::FILE *m_output = nullptr;
    LinkServices m_services;
};

class StandinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(standin.services().shortener.startsWith("https://localhost:"));
        channel.setExtraCaFile(QStringLiteral(LUMETTA_STANDIN_CA));
        view.pageUrl = QStringLiteral("http://aliexpress.ru/item/1.html");
    }
    void TearDown() override { AppParams.api_key.clear(); }

    QStringList run(const QString &key, const QString &trackingId)
    {
        AppParams.api_key = key;
        view.trackingId = trackingId;
        GeneratePartnerLink(view, http, standin.services());
        return view.log;
    }

    StandinProcess standin;
    TlsChannel channel;
    HttpClient http{channel};
    RecordingView view;
};

TEST_F(StandinTest, GivesOneDeterministicLinkPerPageAddressAndShortensIt)
{
    view.pageUrl =
        QStringLiteral("http://aliexpress.ru/item/1.html,https://aliexpress.ru/item/2.html");
    const QStringList first = run("12345", "track1");
    ASSERT_EQ(first.size(), 12) << first.join('|').toStdString();
    EXPECT_EQ(first[0], "Статус ответа: 20010000");
    EXPECT_EQ(first[4], "Всего данных (факт): 2");
    EXPECT_EQ(first[6], "Для ссылки: http://aliexpress.ru/item/1.html");
    EXPECT_TRUE(first[7].startsWith("Партнёрская: https://s.click.aliexpress.com/e/_"));
    EXPECT_EQ(first[8], "Для ссылки: https://aliexpress.ru/item/2.html");
    EXPECT_NE(first[7], first[9]);
    EXPECT_TRUE(view.shortLink.startsWith(standin.services().shortener + "/"));

    EXPECT_EQ(run("12345", "track1"), first);
    EXPECT_NE(run("12345", "track2")[7], first[7]);

    // One line per request received, after the line with the addresses.
    EXPECT_EQ(standin.stop().size(), 6u);
}

TEST_F(StandinTest, GatewayErrorCodesFollowTheInputs)
{
    const std::vector<std::tuple<QString, QString, QString, QString>> cases{
        {"12a", "track1", view.pageUrl, "20030000"},
        {"12345", "", view.pageUrl, "20030010"},
        {"12345", "bad!id", view.pageUrl, "20030070"},
        {"12345", "track1", "ftp://aliexpress.ru/", "20030080"},
        {"12345", "track1", QString("http://a/,").repeated(50) + "http://a/", "20030080"},
        {"12345", "fail-system", view.pageUrl, "20020000"},
    };
    for (const auto &[key, trackingId, page, status] : cases) {
        view.pageUrl = page;
        // Every code the stand-in sends is one the log explains.
        const QString meaning = GatewayStatusMeaning(status);
        EXPECT_FALSE(meaning.isEmpty()) << status.toStdString();
        EXPECT_EQ(run(key, trackingId),
                  (QStringList{"Статус ответа: " + status, Empty, WrongStatus, meaning, Empty}))
            << trackingId.toStdString();
    }
}

TEST_F(StandinTest, FailureSwitchesShowEveryFailureLine)
{
    EXPECT_EQ(run("1", "fail-http"), (QStringList{"Проблемы с получением данных с API aliexpress",
                                                  "HTTP/1.1 500 Internal Server Error"}));
    EXPECT_EQ(run("1", "fail-html"), (QStringList{ParseFailed, Empty}));
    EXPECT_EQ(run("1", "fail-array"),
              QStringList{"Проблемы с данными получеными от API aliexpress"});

    const QStringList total = run("1", "fail-total");
    ASSERT_EQ(total.size(), 7);
    EXPECT_EQ(total[2], "Всего данных (ali): 2");
    EXPECT_EQ(total[4], "Всего данных (факт): 1");
    EXPECT_EQ(total[6], ShortFailed); // the empty link is refused

    const QStringList element = run("1", "fail-element");
    EXPECT_EQ(element.mid(6), (QStringList{"Для ссылки: " + view.pageUrl, ParseFailed, Empty}));

    const QStringList shortFails = run("1", "fail-short");
    ASSERT_EQ(shortFails.size(), 9);
    EXPECT_TRUE(shortFails[7].startsWith("Партнёрская: https://s.click.aliexpress.com/e/_"));
    EXPECT_EQ(shortFails[8], ShortFailed);
}

} // namespace
