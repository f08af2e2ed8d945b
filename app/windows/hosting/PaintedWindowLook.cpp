#include "app/windows/hosting/PaintedWindowLook.hpp"

#include "kit/engine/Quorvel.hpp"

namespace quorvel {

QString PaintedWindowLook::title() const {
    return QString::fromUtf8(Quorvel::displayName) + QString::fromUtf8(titleSuffix);
}

}  // namespace quorvel
