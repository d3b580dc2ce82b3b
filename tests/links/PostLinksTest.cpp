// A post's addresses made into links with batched calls: finding the addresses, the requests
// N addresses cost, matching the answers, failures kept to their rows, and the replaced text.
#include "LoopbackServices.h"
#include "QStringPrinter.h"

#include "http/HttpClient.h"
#include "links/PostLinks.h"
#include "net/TlsChannel.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using State = PostRow::State;
using Received = LoopbackServices::Received;
using Reply = LoopbackServices::Reply;

const QString Secret = QStringLiteral("open-sesame");

std::string param(const Received &request, const char *name)
{
    const auto found = request.params.find(name);
    return found == request.params.end() ? std::string() : found->second;
}

std::vector<std::string> commaList(const std::string &text)
{
    std::vector<std::string> values;
    for (std::size_t start = 0, comma = 0; comma != std::string::npos; start = comma + 1) {
        comma = text.find(',', start);
        values.push_back(text.substr(start, comma - start));
    }
    return values;
}

std::string productOf(const std::string &page)
{
    static const std::regex item(R"(^https://[a-z.]*aliexpress\.[a-z]+/item/([0-9]+)\.html)");
    std::smatch match;
    return std::regex_search(page, match, item) ? match[1].str() : std::string();
}

// The Open Platform on loopback as it answers many values a call: one link per marketplace
// source value (last first), none for products in `outside`; one product per ID, whose hot rate
// is the higher for those in `hot`. GET /_<id> redirects to that product's page, as a short link.
struct Platform
{
    std::set<std::string> outside{};
    std::set<std::string> hot{};
    std::set<std::string> messages{}; // products whose element holds a message and no link
    std::set<std::string> unusable{}; // products whose link is no web address
    std::string sourceSuffix{};       // the service writes source values its own way
    bool failFacts = false;
    bool failHotLinks = false;

    Reply operator()(const Received &request) const
    {
        if (request.path.starts_with("/_") && request.path != "/_bad")
            return {302, "", "text/html",
                    "https://www.aliexpress.com/item/" + request.path.substr(2) + ".html"};
        const std::string method = param(request, "method");
        if (method == "aliexpress.affiliate.productdetail.get")
            return failFacts ? Reply{500, "down", "text/plain"} : facts(request);
        if (method == "aliexpress.affiliate.link.generate")
            return links(request);
        return {404, "none", "text/plain"};
    }

    Reply facts(const Received &request) const
    {
        std::string list;
        for (const std::string &id : commaList(param(request, "product_ids"))) {
            if (outside.count(id))
                continue;
            list += std::string(list.empty() ? "" : ",") + R"({"product_id":)" + id +
                    R"(,"product_title":"Товар )" + id + R"(","target_sale_price":"12.50",)" +
                    R"("target_sale_price_currency":"RUB","commission_rate":"5.0%",)" +
                    R"("hot_product_commission_rate":")" + (hot.count(id) ? "9.0%" : "1.0%") +
                    R"("})";
        }
        return {200, R"({"aliexpress_affiliate_productdetail_get_response":{"resp_result":)"
                     R"({"resp_code":200,"result":{"products":{"product":[)" +
                         list + "]}}}}}"};
    }

    Reply links(const Received &request) const
    {
        const std::string type = param(request, "promotion_link_type");
        if (failHotLinks && type == "2")
            return {200, R"({"error_response":{"code":"ApiCallLimit","msg":"Too often"}})"};
        std::string list;
        const std::vector<std::string> values = commaList(param(request, "source_values"));
        for (auto value = values.rbegin(); value != values.rend(); ++value) {
            const std::string id = productOf(*value);
            if (outside.count(id) || value->find("aliexpress.") == std::string::npos)
                continue;
            const std::string source = R"(,"source_value":")" + *value + sourceSuffix + R"("})";
            std::string link = R"("promotion_link":"https://s.click.aliexpress.com/e/_)" + type +
                               (id.empty() ? "p" + std::to_string(value->size()) : id) + '"';
            if (messages.count(id))
                link = R"("message":"Not allowed")";
            if (unusable.count(id))
                link = R"x("promotion_link":"javascript:alert(1)")x";
            list += (list.empty() ? "{" : ",{") + link + source;
        }
        return {200, R"({"aliexpress_affiliate_link_generate_response":{"resp_result":)"
                     R"({"resp_code":"200","result":{"promotion_links":{"promotion_link":[)" +
                         list + "]}}}}}"};
    }
};

// The client's connections, counted by port, over a real channel.
class CountingChannel : public ByteChannel
{
public:
    std::map<quint16, int> opens;

    void startRequest() override { m_inner.startRequest(); }
    void open(const QString &host, quint16 port, ChannelMode mode) override
    {
        ++opens[port];
        m_inner.open(host, port, mode);
    }
    bool isOpen() override { return m_inner.isOpen(); }
    void write(const QByteArray &bytes) override { m_inner.write(bytes); }
    QByteArray readLine(qsizetype maxLength) override { return m_inner.readLine(maxLength); }
    QByteArray readAtMost(qsizetype maxBytes) override { return m_inner.readAtMost(maxBytes); }
    qsizetype readInto(char *data, qsizetype maxBytes) override
    {
        return m_inner.readInto(data, maxBytes);
    }
    bool waitForInput(int msecs) override { return m_inner.waitForInput(msecs); }
    void close() override { m_inner.close(); }

private:
    TlsChannel m_inner;
};

class RecordingPostView : public PostView
{
public:
    QList<PostRow> rows;
    int found = 0;
    int stages = 0;
    std::pair<qsizetype, qsizetype> progressed{-1, -1};
    QList<MadeLink> made;

    void rowsFound(const QList<PostRow> &found) override
    {
        rows = found;
        ++this->found;
    }
    void rowChanged(qsizetype index, const PostRow &row) override { rows[index] = row; }
    void progress(qsizetype settled, qsizetype total) override { progressed = {settled, total}; }
    void stageStarted() override { ++stages; }
    void linkMade(const MadeLink &link) override { made.append(link); }
};

// Requests of each kind that reached the services.
struct Counts
{
    int facts = 0;
    int links = 0;
    int hops = 0;
    int shortenings = 0;
    bool operator==(const Counts &) const = default;
};

class PostLinksTest : public ::testing::Test
{
protected:
    PostLinksTest()
    {
        request.params.api_key = QStringLiteral("12345678");
        request.params.app_secret = Secret;
        request.trackingId = QStringLiteral("t1");
        servers.answerShortener([](const Received &in) {
            const std::string url = param(in, "url");
            if (url.ends_with("666"))
                return Reply{503, "busy", "text/plain"};
            return Reply{200, "https://clck.ru/" + url.substr(url.rfind('_') + 1), "text/plain"};
        });
    }

    QString base() const { return servers.services().openPlatform; }

    bool convert(const QString &text)
    {
        request.text = text;
        return PostLinks::Convert(request, view, http, servers.services());
    }

    Counts counts() const
    {
        Counts counts;
        for (const Received &in : servers.apiRequests()) {
            const std::string method = param(in, "method");
            counts.facts += method == "aliexpress.affiliate.productdetail.get";
            counts.links += method == "aliexpress.affiliate.link.generate";
            counts.hops += in.path.starts_with("/_");
        }
        counts.shortenings = int(servers.shortenerRequests().size());
        return counts;
    }

    PostRequest request;
    LoopbackServices servers;
    CountingChannel channel;
    HttpClient http{channel};
    RecordingPostView view;
};

QString items(int first, int count, const QString &separator = QStringLiteral(" "))
{
    QStringList addresses;
    for (int id = first; id < first + count; ++id)
        addresses << QStringLiteral("https://aliexpress.ru/item/%1.html").arg(id);
    return addresses.join(separator);
}

QStringList addressesOf(const QList<PostRow> &rows)
{
    QStringList addresses;
    for (const PostRow &row : rows)
        addresses << row.address;
    return addresses;
}

} // namespace

TEST(PostAddressesTest, EveryMarketplaceAddressIsFoundWhereItStands)
{
    struct Case
    {
        QString text;
        QStringList addresses;
    };
    const Case cases[] = {
        {"🔥 Термос — https://aliexpress.ru/item/1005003091506814.html?sku_id=12&spm=a2g0o.0.\n"
         "Чехол: https://a.aliexpress.com/_mKQ7x3x, а ещё (https://aliexpress.com/item/33.html)!",
         {"https://aliexpress.ru/item/1005003091506814.html?sku_id=12&spm=a2g0o.0",
          "https://a.aliexpress.com/_mKQ7x3x", "https://aliexpress.com/item/33.html"}},
        {"Канал https://t.me/deals, видео https://youtu.be/x, товар HTTPS://m.aliexpress.ru/i/5",
         {"HTTPS://m.aliexpress.ru/i/5"}},
        {"Берите: aliexpress.ru/item/7.html, «www.aliexpress.com/item/8.html» — на AliExpress.ru; "
         "не example.com/item/7.html",
         {"aliexpress.ru/item/7.html", "www.aliexpress.com/item/8.html"}},
        {"[товар](https://aliexpress.ru/item/8.html) <a "
         "href=\"https://aliexpress.us/item/9.html\">",
         {"https://aliexpress.ru/item/8.html", "https://aliexpress.us/item/9.html"}},
        {"https://aliexpress.ru/item/1.html,https://aliexpress.ru/item/2.html",
         {"https://aliexpress.ru/item/1.html", "https://aliexpress.ru/item/2.html"}},
        {"https://s.click.aliexpress.com/e/_DlXyz https://ali.ski/AbC12 https://ali.ski/ "
         "https://alitems.com/g/1e/?ulp=https%3A%2F%2Faliexpress.ru%2Fitem%2F3.html "
         "https://alitems.com/g/1e/?ulp=https%3A%2F%2Fexample.com%2F "
         "https://127.0.0.1:8080/_abc https://127.0.0.1:8080/sync?x=1",
         {"https://s.click.aliexpress.com/e/_DlXyz", "https://ali.ski/AbC12",
          "https://alitems.com/g/1e/?ulp=https%3A%2F%2Faliexpress.ru%2Fitem%2F3.html",
          "https://127.0.0.1:8080/_abc"}},
        {"Поиск: https://www.aliexpress.com/wholesale?SearchText=thermos&spm=a2g0o.home.1 и снова "
         "https://www.aliexpress.com/wholesale?SearchText=thermos&spm=a2g0o.home.1.",
         {"https://www.aliexpress.com/wholesale?SearchText=thermos&spm=a2g0o.home.1",
          "https://www.aliexpress.com/wholesale?SearchText=thermos&spm=a2g0o.home.1"}},
        {"Нет ссылок, только http:// и aliexpress", {}},
    };
    for (const Case &c : cases) {
        const QList<PostRow> rows = PostLinks::addressesIn(c.text, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(addressesOf(rows), c.addresses) << c.text.toStdString();
        for (const PostRow &row : rows) {
            EXPECT_EQ(c.text.mid(row.start, row.address.size()), row.address);
            EXPECT_EQ(row.state, State::Waiting);
        }
    }
}

TEST_F(PostLinksTest, EachKindOfRequestIsBatchedByFiftyAndRepeatsAreAskedOnce)
{
    struct Case
    {
        const char *what;
        QString text;
        std::set<std::string> hot;
        Counts expected;
        qsizetype made; // distinct addresses
    };
    // Two of them fill a request line.
    const QString searches =
        "https://www.aliexpress.com/wholesale?SearchText=" + QString(2400, u'a');
    const Case cases[] = {
        {"3 pages", items(1, 3), {}, {1, 1, 0, 3}, 3},
        {"50 pages", items(1, 50, ",\n"), {}, {1, 1, 0, 50}, 50},
        {"51 pages", items(1, 51), {}, {2, 2, 0, 51}, 51},
        {"5 pages twice, one in two forms",
         items(1, 5) + " " + items(1, 5) + " https://aliexpress.com/item/2.html?spm=x",
         {},
         {1, 1, 0, 5},
         6},
        {"hot links apart", items(1, 4), {"2", "3"}, {1, 2, 0, 4}, 4},
        {"short links",
         base() + "/_7 " + base() + "/_8 " + base() + "/_7 " + items(7, 1),
         {},
         {1, 1, 2, 2},
         3},
        {"long search pages split by length",
         searches + "1 " + searches + "22 " + searches + "333",
         {},
         {0, 2, 0, 3},
         3},
    };
    for (const Case &c : cases) {
        servers.answerApi(Platform{.hot = c.hot});
        const Counts before = counts();
        const int stagesBefore = view.stages;
        view.made.clear();
        std::map<quint16, int> opensBefore = channel.opens;
        ASSERT_TRUE(convert(c.text)) << c.what;

        Counts sent = counts();
        sent = {sent.facts - before.facts, sent.links - before.links, sent.hops - before.hops,
                sent.shortenings - before.shortenings};
        EXPECT_EQ(sent, c.expected) << c.what;
        EXPECT_EQ(view.stages,
                  stagesBefore + sent.facts + sent.links + sent.hops + sent.shortenings)
            << c.what;
        EXPECT_EQ(view.made.size(), c.made) << c.what;
        EXPECT_EQ(view.progressed, std::pair(view.rows.size(), view.rows.size())) << c.what;
        for (const PostRow &row : view.rows) {
            EXPECT_EQ(row.status, "готово") << c.what << ' ' << row.address.toStdString();
            EXPECT_EQ(row.shortLink, "https://clck.ru/" + row.partnerLink.section(u'_', -1));
            const bool hot = c.hot.count(row.productId.toStdString()) > 0;
            EXPECT_EQ(row.partnerLink.contains("/e/_2"), hot) << row.address.toStdString();
            const auto rate =
                row.productId.isEmpty() ? std::nullopt : std::optional(hot ? 9.0 : 5.0);
            EXPECT_EQ(row.commissionRate, rate);
        }
        // The forms go over kept connections, not one each.
        const quint16 shortener = QUrl(servers.services().shortener).port();
        EXPECT_LE(channel.opens[shortener] - opensBefore[shortener], (sent.shortenings + 4) / 5)
            << c.what;
    }
}

TEST_F(PostLinksTest, AnswersAreMatchedByProductOrSourceValueWhateverTheirOrderAndForm)
{
    const QString search = QStringLiteral("https://www.aliexpress.com/wholesale?SearchText=a,b");
    struct Case
    {
        std::string sourceSuffix;
        QStringList statuses; // of items 1 to 5, then of the search page
    };
    const QString done = QStringLiteral("готово");
    const QString outside =
        QStringLiteral("нет ссылки: товар не участвует в партнёрской программе");
    const QStringList common{done, done, "нет ссылки: Not allowed", outside,
                             "ошибка: ссылка от API непригодна: это не адрес http или https"};
    const Case cases[] = {
        {"", common + QStringList{done}},
        {"#ru", common + QStringList{"нет ссылки: API не дал ссылки на этот адрес"}}};
    for (const Case &c : cases) {
        servers.answerApi(Platform{.outside = {"4"},
                                   .messages = {"3"},
                                   .unusable = {"5"},
                                   .sourceSuffix = c.sourceSuffix});
        ASSERT_TRUE(convert(items(1, 5) + " " + search));
        QStringList statuses;
        for (const PostRow &row : view.rows)
            statuses << row.status;
        EXPECT_EQ(statuses, c.statuses) << c.sourceSuffix;
        EXPECT_EQ(view.rows[0].partnerLink, "https://s.click.aliexpress.com/e/_01");
        EXPECT_EQ(view.rows[1].title, "Товар 2");
        EXPECT_EQ(view.rows[1].price, 12.5);
        EXPECT_EQ(view.rows[1].currency, "RUB");
        EXPECT_EQ(view.rows[3].title, "");
        EXPECT_EQ(view.rows[4].partnerLink, "");
    }
    // The search page's own comma goes encoded, so that the list keeps one value for it.
    const std::string lastLinks = param(servers.apiRequests().back(), "source_values");
    EXPECT_NE(lastLinks.find("SearchText=a%2Cb"), std::string::npos) << lastLinks;
}

TEST_F(PostLinksTest, AFailureStaysWithTheRowsItConcerns)
{
    struct Case
    {
        const char *what;
        Platform platform;
        QString text;
        QStringList statuses;
    };
    const QString done = QStringLiteral("готово");
    const Case cases[] = {
        {"facts fail", {.failFacts = true}, items(1, 2), {done, done}},
        {"the hot call fails",
         {.hot = {"2"}, .failHotLinks = true},
         items(1, 2),
         {done, "ошибка: ApiCallLimit: Too often"}},
        {"one link is not shortened",
         {},
         items(665, 3),
         {done, "ошибка: короткая ссылка не получена: HTTP/1.1 503 Service Unavailable", done}},
        {"a short link leads nowhere",
         {},
         base() + "/_bad " + items(1, 1),
         {"нет ссылки: не удалось раскрыть ссылку " + base() + "/_bad: HTTP/1.1 404 Not Found",
          done}},
    };
    for (const Case &c : cases) {
        servers.answerApi(c.platform);
        ASSERT_TRUE(convert(c.text)) << c.what;
        QStringList statuses;
        for (const PostRow &row : view.rows)
            statuses << row.status;
        EXPECT_EQ(statuses, c.statuses) << c.what;
        EXPECT_EQ(view.progressed, std::pair(view.rows.size(), view.rows.size())) << c.what;
    }
    // The row whose shortening failed keeps its partner link, and the history has it.
    EXPECT_EQ(view.rows.size(), 2);
    servers.answerApi(Platform{});
    convert(items(666, 1));
    EXPECT_EQ(view.rows[0].state, State::Failed);
    EXPECT_EQ(view.rows[0].partnerLink, "https://s.click.aliexpress.com/e/_0666");
    ASSERT_FALSE(view.made.isEmpty());
    EXPECT_EQ(view.made.last().partnerLink, view.rows[0].partnerLink);
    EXPECT_EQ(view.made.last().shortLink, "");

    // An unreachable gateway fails every row, and each row says so.
    request.text = items(1, 2);
    ASSERT_TRUE(PostLinks::Convert(request, view, http, servers.servicesWithClosedApiPort()));
    for (const PostRow &row : view.rows) {
        EXPECT_EQ(row.state, State::Failed);
        EXPECT_TRUE(row.status.startsWith("ошибка: ")) << row.status.toStdString();
        EXPECT_FALSE(row.status.contains(u'\n'));
    }
}

TEST_F(PostLinksTest, WithoutTheKeyAndTheSecretNothingIsAskedOrReported)
{
    const std::pair<QString, QString> cases[] = {
        {"", Secret}, {" \t", Secret}, {"12345678", ""}, {"12345678", "  "}};
    for (const auto &[key, secret] : cases) {
        request.params.api_key = key;
        request.params.app_secret = secret;
        EXPECT_FALSE(convert(items(1, 2)));
    }
    EXPECT_EQ(view.found, 0);
    EXPECT_EQ(view.stages, 0);
    EXPECT_TRUE(servers.apiRequests().empty());
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST(PostTextTest, EachAddressIsReplacedByTheChosenLinkWhereItHasOne)
{
    const QString text =
        QStringLiteral("A https://aliexpress.ru/item/1.html. B aliexpress.ru/item/2.html, "
                       "C https://aliexpress.ru/item/1.html D https://aliexpress.ru/item/3.html");
    QList<PostRow> rows = PostLinks::addressesIn(text, QString());
    ASSERT_EQ(rows.size(), 4);
    for (const qsizetype i : {0, 2}) {
        rows[i].partnerLink = QStringLiteral("P1");
        rows[i].shortLink = QStringLiteral("S1");
    }
    rows[1].partnerLink = QStringLiteral("P2"); // its shortening failed
    QList<PostRow> moved = rows;
    moved[3].partnerLink = QStringLiteral("P3");
    moved[3].start += 2; // rows of another text
    QList<PostRow> outside = rows;
    outside[0].start = text.size() + 10;

    struct Case
    {
        QList<PostRow> rows;
        bool shortLinks;
        QString expected;
    };
    const QString rest = QStringLiteral(" D https://aliexpress.ru/item/3.html");
    const Case cases[] = {
        {rows, true, "A S1. B P2, C S1" + rest},
        {rows, false, "A P1. B P2, C P1" + rest},
        {moved, true, "A S1. B P2, C S1" + rest},
        {outside, false, "A https://aliexpress.ru/item/1.html. B P2, C P1" + rest},
        {{}, true, text},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PostLinks::replaced(text, c.rows, c.shortLinks), c.expected);
}
