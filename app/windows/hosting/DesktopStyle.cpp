#include "app/windows/hosting/DesktopStyle.hpp"

#include <QWidget>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel::DesktopStyle {

QPalette palette() {
    QPalette colours;
    const QColor white = drawing::toQColor(Tokens::mascotWhite);
    const QColor dim = drawing::toQColor(Tokens::dim);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = group == QPalette::Disabled ? dim : white;
        colours.setColor(group, QPalette::Window, drawing::toQColor(Tokens::chassis));
        colours.setColor(group, QPalette::Base, drawing::toQColor(Tokens::screen));
        colours.setColor(group, QPalette::AlternateBase, drawing::toQColor(Tokens::inset));
        colours.setColor(group, QPalette::Button, drawing::toQColor(Tokens::panel));
        colours.setColor(group, QPalette::WindowText, text);
        colours.setColor(group, QPalette::Text, text);
        colours.setColor(group, QPalette::ButtonText, text);
        colours.setColor(group, QPalette::PlaceholderText, dim);
        colours.setColor(group, QPalette::Highlight, drawing::toQColor(Tokens::acid));
        colours.setColor(group, QPalette::HighlightedText, drawing::toQColor(Tokens::ink));
        colours.setColor(group, QPalette::Link, drawing::toQColor(Tokens::acid));
        colours.setColor(group, QPalette::ToolTipBase, drawing::toQColor(Tokens::inset));
        colours.setColor(group, QPalette::ToolTipText, white);
    }
    return colours;
}

void apply(QWidget& window) { window.setPalette(palette()); }

void applyDivider(QWidget& line) {
    // A plain line frame draws in its text colour.
    QPalette colours = line.palette();
    colours.setColor(QPalette::WindowText, drawing::toQColor(Tokens::panel));
    line.setPalette(colours);
}

}  // namespace quorvel::DesktopStyle
