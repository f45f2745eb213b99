#include "model/Theme.h"

#include <QGuiApplication>
#include <QPalette>

namespace {
std::optional<bool> g_darkOverride;

QColor rgbF(double r, double g, double b, double a = 1.0) {
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}
} // namespace

QColor Theme::accent() {
    return rgbF(0.98, 0.686, 0.231);
}

QColor Theme::accentDeep() {
    return rgbF(0.878, 0.588, 0.118);
}

QColor Theme::stop() {
    return rgbF(1.0, 0.36, 0.36);
}

QColor Theme::onAccent() {
    return rgbF(0.13, 0.11, 0.07);
}

QColor Theme::card() {
    return isDark() ? rgbF(1, 1, 1, 0.04) : rgbF(1, 1, 1, 0.72);
}

QColor Theme::cardBorder() {
    // The separator colour: a faint line of the text colour.
    return isDark() ? rgbF(1, 1, 1, 0.10) : rgbF(0, 0, 0, 0.10);
}

QColor Theme::surfaceTint() {
    return isDark() ? rgbF(0, 0, 0, 0.52) : rgbF(1, 1, 1, 0.0);
}

const QStringList& Theme::clientPalette() {
    static const QStringList palette = {
        QStringLiteral("#FAAF3B"), QStringLiteral("#f97316"), QStringLiteral("#ef4444"),
        QStringLiteral("#f43f5e"), QStringLiteral("#ec4899"), QStringLiteral("#a855f7"),
        QStringLiteral("#6366f1"), QStringLiteral("#3b82f6"), QStringLiteral("#0ea5e9"),
        QStringLiteral("#06b6d4"), QStringLiteral("#14b8a6"), QStringLiteral("#22c55e"),
        QStringLiteral("#84cc16"), QStringLiteral("#eab308"), QStringLiteral("#a16207"),
        QStringLiteral("#64748b"),
    };
    return palette;
}

bool Theme::isDark() {
    if (g_darkOverride)
        return *g_darkOverride;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

void Theme::setDarkOverride(std::optional<bool> dark) {
    g_darkOverride = dark;
}
