#pragma once

#include <QColor>
#include <QFont>

class QWidget;

// Fonts and text colours shared by every panel widget. Sizes are device-
// independent pixels; colours derive from the application palette so that they
// follow the dark and light appearance.
class Style {
public:
    enum class Weight { Regular, Medium, Semibold, Bold };
    // Text colour roles: the palette's text colour at full, secondary and
    // tertiary strength.
    enum class Tone { Label, Secondary, Tertiary };

    static constexpr double secondaryAlpha = 0.55;
    static constexpr double tertiaryAlpha = 0.30;

    // The platform's interface family at `pixels` tall (fractions allowed).
    static QFont font(double pixels, Weight weight = Weight::Regular);
    // The same with figures of equal width, for durations.
    static QFont monoDigits(double pixels, Weight weight = Weight::Regular);

    static QColor label();
    static QColor tone(Tone tone);
    static QColor secondaryLabel() { return tone(Tone::Secondary); }
    static QColor tertiaryLabel() { return tone(Tone::Tertiary); }
    // The hairline between rows and around cards.
    static QColor separator();
    // The selected-content background (suggestion hover).
    static QColor selection();
    static QColor systemGreen();
    static QColor systemOrange();
    // The material behind floating surfaces (suggestions, setup card): opaque,
    // as nothing here blurs what lies behind.
    static QColor glass();

    static QColor withAlpha(QColor color, double alpha);
};
