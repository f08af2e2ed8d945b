#include "app/windows/PlaceholderView.hpp"

#include <QLabel>
#include <QVBoxLayout>

namespace quorvel {

PlaceholderView::PlaceholderView(const QString& title, QSize size) : size_(size) {
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(title, this);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    heading->setAlignment(Qt::AlignCenter);
    heading->setTextFormat(Qt::PlainText);
    auto* note = new QLabel(QStringLiteral("Not in this build yet."), this);
    note->setAlignment(Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(heading);
    layout->addWidget(note);
    layout->addStretch();
}

}  // namespace quorvel
