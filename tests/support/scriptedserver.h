#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <atomic>
#include <mutex>
#include <thread>

// A tiny loopback server bound to port 0 that plays a script, for the
// failure paths a real server will not produce on demand: a hang, a dropped
// connection, a malformed or outrageous reply. Each connection plays the
// next script in turn.
class ScriptedServer {
  public:
    struct Step {
        enum Kind { Send, Expect, ExpectAlone, Content, Silent, Close } kind;
        QByteArray text; // line to send (CR LF added) or expected line prefix
        int millis = 0;  // for Silent
    };
    using Script = QList<Step>;

    static Step send(const char* line) { return {Step::Send, QByteArray(line)}; }
    static Step expect(const char* prefix) { return {Step::Expect, QByteArray(prefix)}; }
    // As expect(), and nothing more may come until the script answers: a
    // client that sends its next command early is a problem.
    static Step expectAlone(const char* prefix) { return {Step::ExpectAlone, QByteArray(prefix)}; }
    // The lines of a mail's content (SMTP DATA), up to its lone ".", which
    // the next step expects.
    static Step content() { return {Step::Content, {}}; }
    // Nothing for `millis`, or until the client hangs up.
    static Step silent(int millis) { return {Step::Silent, {}, millis}; }
    static Step close() { return {Step::Close, {}}; }

    explicit ScriptedServer(QList<Script> connections);
    ~ScriptedServer();

    int port() const { return port_; }
    QString address() const;
    // Lines that did not match the script, steps never reached, and a
    // connection that came after the last script was played.
    QStringList problems();
    QList<QByteArray> received();

  private:
    void run();
    void play(int fd, const Script& script);
    // False when the client hung up meanwhile; what it sent is kept in `buffer`.
    static bool keepSilent(int fd, QByteArray& buffer, int millis);
    void problem(const QString& text);

    QList<Script> scripts_;
    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> played_ = false;
    std::mutex mutex_;
    QStringList problems_;
    QList<QByteArray> received_;
};
