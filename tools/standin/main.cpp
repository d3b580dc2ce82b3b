// lumetta-standin: the affiliate APIs and the URL shortener on loopback, for the demo and
// the benchmarks. See standinUsage() for what each input provokes.
#include "AffiliateApi.h"
#include "OpenPlatform.h"
#include "PlainHttpServer.h"
#include "Shortener.h"
#include "StandinOptions.h"

#include <httplib.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/socket.h>

namespace {

constexpr const char *Host = "127.0.0.1";

std::string certificateDirectory(const char *argv0)
{
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        program = std::filesystem::absolute(argv0);
    return (program.parent_path() / ".." / "standin").lexically_normal().string();
}

std::string oneLine(const std::string &text)
{
    std::string line = text.substr(0, 160);
    for (char &c : line) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return line;
}

// One line per request, whole even when both servers answer at once.
httplib::Logger requestLogger(const char *service)
{
    return [service](const httplib::Request &request, const httplib::Response &response) {
        static std::mutex mutex;
        const std::lock_guard lock(mutex);
        std::cout << service << ' ' << request.method << ' ' << request.target;
        if (!request.body.empty())
            std::cout << " [" << oneLine(request.body) << ']';
        std::cout << " -> " << response.status << ' ' << oneLine(response.body) << std::endl;
    };
}

// Answers leave at once: the head and the body are written apart, and Nagle's algorithm would
// hold the body back until the client acknowledges the head. The library's own options would
// let a second stand-in share a port that one already listens on; SO_REUSEADDR alone only
// allows a restart while old connections linger.
void socketOptions(socket_t socket)
{
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int bind(httplib::Server &server, int port)
{
    server.set_socket_options(socketOptions);
    if (port == 0)
        return server.bind_to_any_port(Host);
    return server.bind_to_port(Host, port) ? port : -1;
}

// Blocks the stop signals in every thread so that the main thread alone takes them.
sigset_t blockStopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signals;
}

void logPlainRequest(const std::string &method, const std::string &target,
                     const PlainHttpServer::Answer &answer)
{
    httplib::Request request;
    request.method = method;
    request.target = target;
    httplib::Response response;
    response.status = answer.status;
    response.body = answer.body;
    requestLogger("api")(request, response);
}

// The three services, each on a thread of its own.
struct Servers
{
    PlainHttpServer api;
    httplib::SSLServer shortener;
    httplib::SSLServer openPlatform;

    explicit Servers(const StandinOptions &options)
        : api([](const std::string &,
                 const std::string &target) { return AffiliateApi::serve(target); },
              &logPlainRequest),
          shortener(options.certificate.c_str(), options.privateKey.c_str()),
          openPlatform(options.certificate.c_str(), options.privateKey.c_str())
    {}
    std::vector<httplib::Server *> tls() { return {&shortener, &openPlatform}; }
};

int serve(const StandinOptions &options)
{
    const sigset_t signals = blockStopSignals();
    Servers servers(options);
    if (!servers.shortener.is_valid() || !servers.openPlatform.is_valid()) {
        std::cerr << "lumetta-standin: cannot use the certificate " << options.certificate
                  << " with the key " << options.privateKey << '\n';
        return 1;
    }
    const std::vector<int> wanted{options.apiPort, options.shortenerPort, options.openPlatformPort};
    std::vector<int> ports{servers.api.bind(Host, wanted[0]), bind(servers.shortener, wanted[1]),
                           bind(servers.openPlatform, wanted[2])};
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (ports[i] < 0) {
            std::cerr << "lumetta-standin: cannot listen on " << Host << " port " << wanted[i]
                      << ": it is in use, perhaps by another lumetta-standin; stop that one or "
                         "choose other ports (--help)\n";
            return 1;
        }
    }
    const std::string shortenerBase = "https://localhost:" + std::to_string(ports[1]);
    const std::string openPlatformBase = "https://localhost:" + std::to_string(ports[2]);
    Shortener shortener(shortenerBase);
    OpenPlatform openPlatform(options.appKey, options.appSecret);
    shortener.install(servers.shortener);
    openPlatform.install(servers.openPlatform);
    servers.shortener.set_logger(requestLogger("shortener"));
    servers.openPlatform.set_logger(requestLogger("open-platform"));

    std::cout << "http://" << Host << ':' << ports[0] << ' ' << shortenerBase << ' '
              << openPlatformBase << "\nOpen Platform App Key: " << options.appKey
              << "\nOpen Platform App Secret: " << options.appSecret << std::endl;
    std::vector<std::thread> threads;
    threads.emplace_back([&servers] { servers.api.listen(); });
    for (httplib::Server *server : servers.tls())
        threads.emplace_back([server] { server->listen_after_bind(); });
    // stop() has no effect on a server that is not running yet.
    for (httplib::Server *server : servers.tls()) {
        while (!server->is_running())
            std::this_thread::yield();
    }
    int signal = 0;
    sigwait(&signals, &signal);
    servers.api.stop();
    for (httplib::Server *server : servers.tls())
        server->stop();
    for (std::thread &thread : threads)
        thread.join();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const auto options = StandinOptions::parse(argc, argv, certificateDirectory(argv[0]));
    if (!options)
        return 2;
    if (options->help) {
        std::cout << standinUsage();
        return 0;
    }
    return serve(*options);
}
