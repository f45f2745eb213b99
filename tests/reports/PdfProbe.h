#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QTemporaryDir>

// Reads a PDF the way a person's tools do, with poppler's command-line
// programs: page count and size, the text of a page, word positions, the
// embedded images and a rendering of a page.
class PdfProbe {
public:
    struct Word {
        QString text;
        QRectF box; // points, y downwards from the top of the page
    };

    explicit PdfProbe(const QByteArray& pdf);
    // A PDF already on disk.
    explicit PdfProbe(const QString& path);

    QString path() const { return m_path; }
    // pdfinfo's fields, e.g. "Pages" or "Page size".
    QString info(const QString& field) const;
    int pages() const;
    // The text of one page (1-based), or of all pages for 0.
    QString text(int page = 0) const;
    QList<Word> words(int page) const;
    // The first word equal to `text` on the page, or an empty box.
    QRectF wordBox(int page, const QString& text) const;
    // Every box of words equal to `text` on the page, in reading order.
    QList<QRectF> wordBoxes(int page, const QString& text) const;
    // pdfimages -list: one (width, height) per drawn image.
    QList<QSize> images() const;
    // pdffonts: the names of the fonts that are embedded.
    QStringList embeddedFonts() const;
    // The page rendered at `dpi`.
    QImage render(int page, int dpi) const;

    // Runs a program and gives its standard output (empty on failure).
    static QByteArray run(const QString& program, const QStringList& arguments);

private:
    QTemporaryDir m_dir;
    QString m_path;
};
