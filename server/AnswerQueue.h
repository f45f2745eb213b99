#pragma once

#include <QObject>

#include <functional>
#include <map>

class QTcpSocket;

// The answers of one connection, written in the order its requests came: an
// answer made on another thread holds back those to the requests after it.
// Lives as a child of its connection.
class AnswerQueue : public QObject {
    Q_OBJECT
public:
    explicit AnswerQueue(QTcpSocket* socket);

    // The connection's queue, or nothing when none was needed yet.
    static AnswerQueue* of(QTcpSocket* socket);

    // The place of the answer to the request read last.
    quint64 reserve() { return m_next++; }
    // Whether an answer is still to be written.
    bool isWaiting() const { return m_first != m_next; }
    // Runs `write` for the answer at `place` once every earlier one is
    // written (at once when they are).
    void fill(quint64 place, std::function<void()> write);

private:
    quint64 m_first = 0;
    quint64 m_next = 0;
    std::map<quint64, std::function<void()>> m_ready;
};
