#pragma once

#include "links/PartnerLink.h"

#include <httplib.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The affiliate API and the URL shortener on 127.0.0.1, each on a port the system picks and
// a thread of its own, answering what the test scripts and recording what they receive.
class LoopbackServices
{
public:
    struct Received
    {
        std::string path; // decoded
        std::string target;
        httplib::Params params; // query parameters, or form fields of a POST
        std::string body;
    };
    struct Reply
    {
        int status = 200;
        std::string body;
        std::string contentType = "application/json;charset=UTF-8";
        std::string location = {}; // sent as the Location header when not empty
    };
    using Responder = std::function<Reply(const Received &)>;

    // A plain shortener unless a TLS server (with its certificate) is given.
    explicit LoopbackServices(std::unique_ptr<httplib::Server> shortener = nullptr);
    ~LoopbackServices();

    void answerApi(Reply reply);
    void answerApi(Responder responder);
    void answerShortener(Reply reply);
    void answerShortener(Responder responder);

    // The shortener is reached as https://localhost:port when it runs TLS; the API side
    // stands for the old API and the Open Platform alike.
    LinkServices services() const;
    // A LinkServices whose API port (of both APIs) has nothing listening.
    LinkServices servicesWithClosedApiPort() const;

    std::vector<Received> apiRequests() const;
    std::vector<Received> shortenerRequests() const;

private:
    struct Side
    {
        std::unique_ptr<httplib::Server> server;
        int port = 0;
        std::thread thread;
        Responder responder;
        std::vector<Received> received;
    };
    void start(Side &side);
    void serve(Side &side, const httplib::Request &in, httplib::Response &out);

    mutable std::mutex m_mutex;
    bool m_tls = false;
    Side m_api;
    Side m_shortener;
};
