#pragma once

#include <QString>

#include <memory>

// A TCP proxy on 127.0.0.1 that forwards each connection to a server and holds every chunk,
// each way, for half a round trip, so that a benchmark meets the module at a given network
// distance. It listens on loopback only and forwards to the server's Unix socket or to a
// loopback port. It counts the round trips it carried: the client's sends that follow an
// answer of the server.
class LatencyProxy {
public:
    // upstream: a libpq URI of the server; rtt_ms: the round trip added.
    LatencyProxy(const QString& upstream, double rtt_ms);
    ~LatencyProxy();
    LatencyProxy(const LatencyProxy&) = delete;
    LatencyProxy& operator=(const LatencyProxy&) = delete;

    // Empty when the proxy could not start, with the reason in error().
    bool ok() const { return port_ != 0; }
    const QString& error() const { return error_; }
    // The upstream URI with the proxy in the server's place.
    QString uri() const;
    long long round_trips() const;
    void reset_round_trips();

    struct State;

private:
    QString upstream_;
    QString error_;
    int port_ = 0;
    std::shared_ptr<State> state_;
};
