#include "app/windows/FaceWindowController.hpp"

#include "kit/engine/Quorvel.hpp"

namespace quorvel {

QString FaceWindowLook::title() const {
    return QString::fromUtf8(Quorvel::displayName) + QString::fromUtf8(titleSuffix);
}

}  // namespace quorvel
