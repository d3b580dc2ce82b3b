#pragma once

#include <optional>
#include <string>

// The command line of lumetta-standin.
struct StandinOptions
{
    int apiPort = 0;                               // 0: the system picks
    int shortenerPort = 0;                         // 0: the system picks
    int openPlatformPort = 0;                      // 0: the system picks
    std::string appKey = "12345678";               // the Open Platform's App Key it accepts
    std::string appSecret = "lumetta-demo-secret"; // and the App Secret it signs with
    std::string certificate;                       // the shortener's PEM certificate chain
    std::string privateKey;                        // its PEM key
    bool help = false;

    // Nullopt, after a message on stderr, when the command line is wrong.
    // certificateDirectory: where the certificate and key are unless given.
    static std::optional<StandinOptions> parse(int argc, char **argv,
                                               const std::string &certificateDirectory);
};

// The text of --help: the options, and how each answer of the services is provoked.
const char *standinUsage();
