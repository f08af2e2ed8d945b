#include "kit/phone/SettingsSection.hpp"

namespace quorvel {

DymoLabel SettingsSection::label() const { return DymoLabel{title, DymoLabel::Tape::ink, labelSize, 0.0}; }

double SettingsSection::contentTop() const { return label().layoutSize().height() + labelBottomPadding + spacing; }

void SettingsSection::paint(QPainter& painter, const QPointF& topLeft) const {
    const DymoLabel tape = label();
    tape.paint(painter, QRectF(topLeft, tape.layoutSize()));
}

}  // namespace quorvel
