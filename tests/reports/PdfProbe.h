#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

// Reads a PDF the way a person's tools do, with poppler's command-line
// programs: page count, the text of a page, the images.
class PdfProbe {
public:
    explicit PdfProbe(const QByteArray& pdf);
    // A PDF already on disk.
    explicit PdfProbe(const QString& path)
        : m_path(path) {}

    int pages() const;
    // The text of one page (1-based), or of all pages for 0.
    QString text(int page = 0) const;
    // pdfimages -list: one (width, height) per drawn image.
    QList<QSize> images() const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};
