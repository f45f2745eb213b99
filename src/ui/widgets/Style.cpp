#include "ui/widgets/Style.h"

#include "model/Theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include <cmath>

namespace {

QFont::Weight qtWeight(Style::Weight weight) {
    switch (weight) {
    case Style::Weight::Regular:
        return QFont::Normal;
    case Style::Weight::Medium:
        return QFont::Medium;
    case Style::Weight::Semibold:
        return QFont::DemiBold;
    case Style::Weight::Bold:
        return QFont::Bold;
    }
    return QFont::Normal;
}

double logicalDpi() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96.0;
}

QColor paletteText() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QColor(Qt::black);
    return QGuiApplication::palette().color(QPalette::WindowText);
}

} // namespace

QFont Style::font(double pixels, Weight weight) {
    QFont f = QApplication::font();
    if (std::abs(pixels - std::round(pixels)) < 0.01)
        f.setPixelSize(int(std::round(pixels)));
    else
        f.setPointSizeF(pixels * 72.0 / logicalDpi()); // half pixels, exactly
    f.setWeight(qtWeight(weight));
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QFont Style::monoDigits(double pixels, Weight weight) {
    // The interface family draws its figures at one common width; kerning
    // between them is turned off so a ticking figure never shifts.
    QFont f = font(pixels, weight);
    f.setKerning(false);
    return f;
}

QColor Style::label() {
    return paletteText();
}

QColor Style::tone(Tone tone) {
    switch (tone) {
    case Tone::Label:
        return paletteText();
    case Tone::Secondary:
        return withAlpha(paletteText(), secondaryAlpha);
    case Tone::Tertiary:
        return withAlpha(paletteText(), tertiaryAlpha);
    }
    return paletteText();
}

QColor Style::separator() {
    return Theme::cardBorder();
}

QColor Style::selection() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QColor(0, 120, 215);
    return QGuiApplication::palette().color(QPalette::Highlight);
}

QColor Style::systemGreen() {
    return Theme::isDark() ? QColor(48, 209, 88) : QColor(52, 199, 89);
}

QColor Style::systemOrange() {
    return Theme::isDark() ? QColor(255, 159, 10) : QColor(255, 149, 0);
}

QColor Style::glass() {
    return Theme::isDark() ? QColor(44, 44, 48) : QColor(250, 250, 252);
}

QColor Style::withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(alpha));
    return color;
}
