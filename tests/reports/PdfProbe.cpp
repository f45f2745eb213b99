#include "PdfProbe.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

PdfProbe::PdfProbe(const QByteArray& pdf)
    : m_path(m_dir.path() + u"/report.pdf"_s) {
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        qFatal("cannot write the PDF under test");
}

PdfProbe::PdfProbe(const QString& path)
    : m_path(path) {}

QByteArray PdfProbe::run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QString PdfProbe::info(const QString& field) const {
    const QString out = QString::fromUtf8(run(u"pdfinfo"_s, {m_path}));
    for (const QString& line : out.split(u'\n')) {
        if (line.startsWith(field + u':'))
            return line.mid(field.size() + 1).trimmed();
    }
    return {};
}

int PdfProbe::pages() const {
    bool ok = false;
    const int n = info(u"Pages"_s).toInt(&ok);
    return ok ? n : -1;
}

QString PdfProbe::text(int page) const {
    QStringList args;
    if (page > 0)
        args << u"-f"_s << QString::number(page) << u"-l"_s << QString::number(page);
    args << m_path << u"-"_s;
    return QString::fromUtf8(run(u"pdftotext"_s, args));
}

QList<PdfProbe::Word> PdfProbe::words(int page) const {
    const QString html =
        QString::fromUtf8(run(u"pdftotext"_s, {u"-bbox"_s, u"-f"_s, QString::number(page), u"-l"_s,
                                               QString::number(page), m_path, u"-"_s}));
    static const QRegularExpression word(
        uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    QList<Word> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
        const double x1 = m.captured(3).toDouble(), y1 = m.captured(4).toDouble();
        QString text = m.captured(5);
        text.replace(u"&amp;"_s, u"&"_s).replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s);
        text.replace(u"&quot;"_s, u"\""_s).replace(u"&apos;"_s, u"'"_s);
        words.append(Word{text, QRectF(QPointF(x0, y0), QPointF(x1, y1))});
    }
    return words;
}

QRectF PdfProbe::wordBox(int page, const QString& text) const {
    for (const Word& w : words(page)) {
        if (w.text == text)
            return w.box;
    }
    return {};
}

QList<QRectF> PdfProbe::wordBoxes(int page, const QString& text) const {
    QList<QRectF> boxes;
    for (const Word& w : words(page)) {
        if (w.text == text)
            boxes.append(w.box);
    }
    return boxes;
}

QList<QSize> PdfProbe::images() const {
    const QString out = QString::fromUtf8(run(u"pdfimages"_s, {u"-list"_s, m_path}));
    QList<QSize> sizes;
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].simplified().split(u' ');
        if (cols.size() > 4 && cols[2] == u"image"_s)
            sizes.append(QSize(cols[3].toInt(), cols[4].toInt()));
    }
    return sizes;
}

QStringList PdfProbe::embeddedFonts() const {
    const QString out = QString::fromUtf8(run(u"pdffonts"_s, {m_path}));
    QStringList fonts;
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].simplified().split(u' ');
        // name type... emb sub uni object ID: "emb" is the fifth column from the end.
        if (cols.size() >= 6 && cols[cols.size() - 5] == u"yes"_s)
            fonts.append(cols[0].section(u'+', -1));
    }
    return fonts;
}

QImage PdfProbe::render(int page, int dpi) const {
    const QString prefix = m_dir.path() + u"/page"_s;
    run(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, QString::number(dpi), u"-f"_s, QString::number(page),
                        u"-l"_s, QString::number(page), u"-singlefile"_s, m_path, prefix});
    return QImage(prefix + u".png"_s);
}
