#include "PdfProbe.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {
// Runs a program and gives its standard output (empty on failure).
QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}
} // namespace

PdfProbe::PdfProbe(const QByteArray& pdf)
    : m_path(m_dir.path() + u"/report.pdf"_s) {
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        qFatal("cannot write the PDF under test");
}

int PdfProbe::pages() const {
    const QRegularExpressionMatch m =
        QRegularExpression(u"^Pages:\\s+(\\d+)$"_s, QRegularExpression::MultilineOption)
            .match(run(u"pdfinfo"_s, {m_path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString PdfProbe::text(int page) const {
    const QString n = QString::number(page);
    return run(u"pdftotext"_s, page > 0 ? QStringList{u"-f"_s, n, u"-l"_s, n, m_path, u"-"_s}
                                        : QStringList{m_path, u"-"_s});
}

QList<QSize> PdfProbe::images() const {
    QList<QSize> sizes;
    const QStringList lines = run(u"pdfimages"_s, {u"-list"_s, m_path}).split(u'\n');
    for (const QString& line : lines.mid(2)) {
        const QStringList cols = line.simplified().split(u' ');
        if (cols.size() > 4 && cols[2] == u"image"_s)
            sizes.append(QSize(cols[3].toInt(), cols[4].toInt()));
    }
    return sizes;
}
