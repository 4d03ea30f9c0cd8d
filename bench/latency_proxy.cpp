#include "latency_proxy.h"

#include <QUrl>
#include <QUrlQuery>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

struct LatencyProxy::State {
    int listener = -1;
    std::atomic<bool> stop{false};
    std::chrono::microseconds half{0};
    QByteArray unix_path; // the server's socket, or empty for a TCP port on loopback
    int tcp_port = 0;
    std::atomic<long long> round_trips{0};
    std::mutex turn_lock;
    bool server_spoke = true; // whether the server sent something since the client last did
    std::mutex threads_lock;
    std::vector<std::thread> threads;
};

namespace {

int connect_upstream(const LatencyProxy::State& s) {
    if (!s.unix_path.isEmpty()) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, s.unix_path.constData(), sizeof a.sun_path - 1);
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
            return fd;
        close(fd);
        return -1;
    }
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(s.tcp_port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        return fd;
    close(fd);
    return -1;
}

// One direction of one connection: what is read from `from` is written to `to` half a round
// trip later, in order.
void pump(LatencyProxy::State& s, int from, int to, bool from_client) {
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::pair<Clock::time_point, QByteArray>> queue;
    bool done = false;
    std::thread writer([&] {
        // The delay is the point: the kernel's default slack of 50 us a sleep would add to it.
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        for (;;) {
            std::unique_lock<std::mutex> hold(m);
            cv.wait(hold, [&] { return done || !queue.empty(); });
            if (queue.empty())
                break;
            auto [due, bytes] = queue.front();
            queue.pop_front();
            hold.unlock();
            std::this_thread::sleep_until(due);
            for (qsizetype off = 0; off < bytes.size();) {
                const ssize_t n =
                    send(to, bytes.constData() + off, size_t(bytes.size() - off), MSG_NOSIGNAL);
                if (n <= 0)
                    return;
                off += n;
            }
        }
        shutdown(to, SHUT_WR);
    });
    char buf[65536];
    for (;;) {
        pollfd p{from, POLLIN, 0};
        if (poll(&p, 1, 200) == 0) {
            if (s.stop)
                break;
            continue;
        }
        const ssize_t n = recv(from, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        {
            const std::lock_guard<std::mutex> turn(s.turn_lock);
            if (from_client && s.server_spoke)
                ++s.round_trips;
            s.server_spoke = !from_client;
        }
        const std::lock_guard<std::mutex> hold(m);
        queue.emplace_back(Clock::now() + s.half, QByteArray(buf, int(n)));
        cv.notify_one();
    }
    {
        const std::lock_guard<std::mutex> hold(m);
        done = true;
        cv.notify_one();
    }
    writer.join();
}

void serve(const std::shared_ptr<LatencyProxy::State>& s) {
    while (!s->stop) {
        pollfd p{s->listener, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0)
            continue;
        const int client = accept(s->listener, nullptr, nullptr);
        if (client < 0)
            continue;
        const int server = connect_upstream(*s);
        if (server < 0) {
            close(client);
            continue;
        }
        const int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const std::lock_guard<std::mutex> hold(s->threads_lock);
        s->threads.emplace_back([s, client, server] {
            std::thread back([s, client, server] { pump(*s, server, client, false); });
            pump(*s, client, server, true);
            back.join();
            close(client);
            close(server);
        });
    }
}

} // namespace

LatencyProxy::LatencyProxy(const QString& upstream, double rtt_ms)
    : upstream_(upstream), state_(std::make_shared<State>()) {
    const QUrl url(upstream);
    const QString host = QUrlQuery(url).queryItemValue(QStringLiteral("host"));
    const int port = url.port(5432);
    if (host.startsWith(u'/')) {
        state_->unix_path = (host + QStringLiteral("/.s.PGSQL.%1").arg(port)).toUtf8();
    } else if (url.host() == QLatin1String("127.0.0.1") ||
               url.host() == QLatin1String("localhost")) {
        state_->tcp_port = port;
    } else {
        error_ = QStringLiteral("the proxy forwards to this machine only: ") + upstream;
        return;
    }
    state_->half = std::chrono::microseconds(qint64(rtt_ms * 500));
    state_->listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(state_->listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(state_->listener, 16) != 0 ||
        getsockname(state_->listener, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    port_ = ntohs(a.sin_port);
    std::shared_ptr<State> s = state_;
    const std::lock_guard<std::mutex> hold(s->threads_lock);
    s->threads.emplace_back([s] { serve(s); });
}

LatencyProxy::~LatencyProxy() {
    state_->stop = true;
    std::vector<std::thread> threads;
    {
        const std::lock_guard<std::mutex> hold(state_->threads_lock);
        threads.swap(state_->threads);
    }
    // The acceptor first: it adds no connection after this.
    for (std::thread& t : threads)
        t.join();
    {
        const std::lock_guard<std::mutex> hold(state_->threads_lock);
        for (std::thread& t : state_->threads)
            t.join();
    }
    if (state_->listener >= 0)
        close(state_->listener);
}

QString LatencyProxy::uri() const {
    QUrl url(upstream_);
    QUrlQuery q(url);
    q.removeAllQueryItems(QStringLiteral("host"));
    url.setQuery(q);
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port_);
    return url.toString();
}

long long LatencyProxy::round_trips() const {
    return state_->round_trips.load();
}

void LatencyProxy::reset_round_trips() {
    state_->round_trips = 0;
}
