#pragma once

#include <string>
#include <vector>

// Answers of the affiliate API, written the way the tests need them.
namespace AnswerText {

inline std::string element(const std::string &url, const std::string &link)
{
    return R"({"url":")" + url + R"(","promotionUrl":")" + link + R"("})";
}

// status and total are JSON texts, e.g. "20010000" or "\"2\"".
inline std::string answer(const std::string &total, const std::vector<std::string> &elements,
                          const std::string &status = "20010000")
{
    std::string list;
    for (const std::string &item : elements)
        list += (list.empty() ? "" : ",") + item;
    return R"({"errorCode":)" + status + R"(,"result":{"promotionUrls":[)" + list +
           R"(],"trackingId":"track1","totalResults":)" + total + "}}";
}

} // namespace AnswerText
