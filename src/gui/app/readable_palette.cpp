// Keeps the striped rows of lists and grids readable on any desktop palette, light or dark.
#include "gui/app/readable_palette.h"

#include <QApplication>
#include <QEvent>
#include <cmath>

namespace kolv::gui {

namespace {
constexpr double kMaxStripeStep = 0.15;  ///< largest lightness step from base to stripe still read as a stripe
constexpr double kStripeMix = 0.08;      ///< share of the text colour in a made stripe

QColor mix(const QColor& a, const QColor& b, double share) {
    const auto part = [share](double x, double y) { return x + (y - x) * share; };
    return QColor::fromRgbF(static_cast<float>(part(a.redF(), b.redF())), static_cast<float>(part(a.greenF(), b.greenF())),
                            static_cast<float>(part(a.blueF(), b.blueF())));
}
}  // namespace

QPalette withReadableAlternateRows(const QPalette& palette) {
    QPalette out = palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor base = palette.color(group, QPalette::Base);
        const QColor stripe = palette.color(group, QPalette::AlternateBase);
        if (std::fabs(stripe.lightnessF() - base.lightnessF()) <= kMaxStripeStep) continue;
        out.setColor(group, QPalette::AlternateBase, mix(base, palette.color(group, QPalette::Text), kStripeMix));
    }
    return out;
}

namespace {

void applyReadableAlternateRows() {
    const QPalette now = QApplication::palette();
    const QPalette readable = withReadableAlternateRows(now);
    // only when something changed: setting the palette announces a palette change again
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        if (readable.color(group, QPalette::AlternateBase) != now.color(group, QPalette::AlternateBase)) {
            QApplication::setPalette(readable);
            return;
        }
}

/// Watches the application for a new palette.
class PaletteWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) applyReadableAlternateRows();
        return false;
    }
};

}  // namespace

void keepAlternateRowsReadable(QObject* owner) {
    applyReadableAlternateRows();
    if (qApp) qApp->installEventFilter(new PaletteWatch(owner));
}

}  // namespace kolv::gui
