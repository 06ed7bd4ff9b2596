#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <atomic>
#include <mutex>
#include <thread>

// A DNS server on 127.0.0.1, port 0, that answers TXT questions from a
// table: a name in the table gets its records, a silent name gets no
// answer at all (a server that stopped answering), any other NXDOMAIN.
class LoopbackDns {
  public:
    explicit LoopbackDns(QHash<QByteArray, QList<QByteArray>> records, QSet<QByteArray> silent = {});
    ~LoopbackDns();

    quint16 port() const { return port_; }
    // The names asked for, in order.
    QList<QByteArray> asked();

  private:
    void run();
    QByteArray answer(const QByteArray& question);

    QHash<QByteArray, QList<QByteArray>> records_;
    QSet<QByteArray> silent_;
    int fd_ = -1;
    int stopPipe_[2] = {-1, -1};
    quint16 port_ = 0;
    std::mutex mutex_;
    QList<QByteArray> asked_;
    std::thread thread_;
};
