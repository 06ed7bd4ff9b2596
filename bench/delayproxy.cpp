// A TCP proxy on loopback that delays each direction by a fixed time, as a
// link to a distant server would, without limiting its throughput: every
// chunk read is written on once its delay has passed.
//   delay_proxy TARGET_PORT DELAY_MS   (prints the port it listens on, and
//   "connection N" on standard error for each connection it takes)
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string bytes; // empty: the sender closed its side
};

// One direction: a reader queues what arrives, a writer sends it when due.
class DelayedPipe {
  public:
    DelayedPipe(int from, int to, std::chrono::milliseconds delay) : from_(from), to_(to), delay_(delay) {}

    void run() {
        std::thread writer([this] { write(); });
        char buffer[256 * 1024];
        for (;;) {
            const ssize_t n = ::recv(from_, buffer, sizeof buffer, 0);
            std::lock_guard lock(mutex_);
            queue_.push_back({Clock::now() + delay_, n > 0 ? std::string(buffer, size_t(n)) : std::string()});
            changed_.notify_one();
            if (n <= 0)
                break;
        }
        writer.join();
    }

  private:
    void write() {
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return !queue_.empty(); });
                chunk = std::move(queue_.front());
                queue_.pop_front();
            }
            std::this_thread::sleep_until(chunk.due);
            if (chunk.bytes.empty()) {
                ::shutdown(to_, SHUT_WR);
                return;
            }
            for (size_t sent = 0; sent < chunk.bytes.size();) {
                const ssize_t n =
                    ::send(to_, chunk.bytes.data() + sent, chunk.bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) {
                    ::shutdown(from_, SHUT_RD); // the other side is gone; stop reading too
                    return;
                }
                sent += size_t(n);
            }
        }
    }

    int from_;
    int to_;
    std::chrono::milliseconds delay_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> queue_;
};

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(uint16_t(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void noDelay(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void serve(int client, int targetPort, std::chrono::milliseconds delay) {
    const int server = connectTo(targetPort);
    if (server >= 0) {
        noDelay(client);
        noDelay(server);
        DelayedPipe up(client, server, delay);
        DelayedPipe down(server, client, delay);
        std::thread upThread([&] { up.run(); });
        down.run();
        upThread.join();
        ::close(server);
    }
    ::close(client);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: delay_proxy TARGET_PORT DELAY_MS\n");
        return 2;
    }
    const int targetPort = std::atoi(argv[1]);
    const std::chrono::milliseconds delay(std::atoi(argv[2]));
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        std::perror("delay_proxy");
        return 1;
    }
    std::printf("%d\n", ntohs(addr.sin_port));
    std::fflush(stdout);
    // Each connection taken is counted on standard error: a bench can tell
    // how many its program opened.
    for (int connections = 1;; ++connections) {
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::fprintf(stderr, "connection %d\n", connections);
        std::thread(serve, client, targetPort, delay).detach();
    }
}
