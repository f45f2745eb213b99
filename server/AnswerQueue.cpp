#include "AnswerQueue.h"

#include <QTcpSocket>

AnswerQueue::AnswerQueue(QTcpSocket* socket)
    : QObject(socket) {}

AnswerQueue* AnswerQueue::of(QTcpSocket* socket) {
    return socket->findChild<AnswerQueue*>(QString(), Qt::FindDirectChildrenOnly);
}

void AnswerQueue::fill(quint64 place, std::function<void()> write) {
    m_ready.emplace(place, std::move(write));
    while (!m_ready.empty() && m_ready.begin()->first == m_first) {
        const std::function<void()> next = std::move(m_ready.begin()->second);
        m_ready.erase(m_ready.begin());
        ++m_first;
        next();
    }
}
