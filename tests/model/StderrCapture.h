#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Sends what the process writes to standard error into a temporary file until
// text() is called or the capture goes away.
class StderrCapture {
public:
    StderrCapture() {
        if (!m_file.open())
            qFatal("cannot create a file for standard error");
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }

    ~StderrCapture() { restore(); }

    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Ends the capture and gives everything written meanwhile.
    QByteArray text() {
        restore();
        QFile file(m_file.fileName());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

private:
    void restore() {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};
