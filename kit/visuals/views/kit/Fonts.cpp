#include "kit/visuals/views/kit/Fonts.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <system_error>

#include <QByteArray>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QRawFont>

#include "platform/logging/Logger.hpp"
#include "platform/processes/ExecutablePath.hpp"

namespace quorvel {

namespace {

const Logger& logger() {
    static const Logger shared("com.tessaloom.quorvel", "Fonts");
    return shared;
}

struct Registration {
    std::once_flag once;
    std::atomic<bool> ran{false};
    bool succeeded = false;
};

Registration& registration() {
    static Registration shared;
    return shared;
}

bool hasGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

bool isFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

int wholePixels(double size) {
    if (!std::isfinite(size)) return 1;
    return static_cast<int>(std::clamp(std::round(size), 1.0, 4096.0));
}

QFont fixedFont(std::string_view family, int weight, std::string_view style, double size) {
    QFont font{QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size()))};
    font.setPixelSize(wholePixels(size));
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleName(QString::fromUtf8(style.data(), static_cast<qsizetype>(style.size())));
    font.setHintingPreference(QFont::PreferNoHinting);
    // Font merging stays on: characters the faces lack (a project name in another script) are
    // drawn from a system face rather than as empty boxes.
    return font;
}

std::uint16_t bigEndian16(const QByteArray& bytes, qsizetype at) {
    if (at < 0 || at + 2 > bytes.size()) return 0;
    return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[at]) << 8) | static_cast<unsigned char>(bytes[at + 1]));
}

// The PostScript name (name record 6) of the face the font resolved to.
QString postScriptName(const QFont& font) {
    const QByteArray table = QRawFont::fromFont(font).fontTable("name");
    const int count = bigEndian16(table, 2);
    const int strings = bigEndian16(table, 4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * i;
        const int platform = bigEndian16(table, record);
        const int nameId = bigEndian16(table, record + 6);
        const int length = bigEndian16(table, record + 8);
        const qsizetype offset = strings + bigEndian16(table, record + 10);
        if (nameId != 6 || offset + length > table.size()) continue;
        const QByteArray raw = table.mid(offset, length);
        if (platform == 1) return QString::fromLatin1(raw);
        QString name;
        for (qsizetype at = 0; at + 1 < raw.size(); at += 2) name.append(QChar(bigEndian16(raw, at)));
        return name;
    }
    return {};
}

}  // namespace

std::filesystem::path Fonts::defaultFolder() {
    const std::filesystem::path program(files::executablePath());
    const std::filesystem::path bin = program.parent_path();
    const std::filesystem::path installed = bin / ".." / "share" / "quorvel" / "fonts";
    const std::filesystem::path buildTree = bin / ".." / "resources" / "fonts";
    if (isFolder(installed)) return installed.lexically_normal();
    if (isFolder(buildTree)) return buildTree.lexically_normal();
    return installed.lexically_normal();
}

bool Fonts::registerFolder(const std::filesystem::path& folder) {
    if (!hasGuiApplication()) {
        logger().error("Couldn't register the fonts: no application object exists yet");
        return false;
    }
    bool success = true;
    for (const std::string_view name : fileNames) {
        const std::filesystem::path file = folder / std::string(name);
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            logger().error("Font file missing from the package: " + std::string(name));
            success = false;
            continue;
        }
        QFile input(QString::fromStdString(file.string()));
        if (!input.open(QIODevice::ReadOnly)) {
            logger().error("Couldn't register " + std::string(name) + ": " + input.errorString().toStdString());
            success = false;
            continue;
        }
        // Registering a file Qt already knows just adds it again: it counts as success.
        if (QFontDatabase::addApplicationFontFromData(input.readAll()) < 0) {
            logger().error("Couldn't register " + std::string(name) + ": the file is not a font this system can use");
            success = false;
        }
    }
    return success;
}

bool Fonts::registerOnce(const std::filesystem::path& folder) {
    if (!hasGuiApplication()) return false;
    Registration& state = registration();
    std::call_once(state.once, [&] {
        state.succeeded = registerFolder(folder);
        state.ran = true;
    });
    return state.succeeded;
}

bool Fonts::registerOnce() {
    Registration& state = registration();
    if (state.ran) return state.succeeded;
    return registerOnce(defaultFolder());
}

bool Fonts::registered() {
    const Registration& state = registration();
    return state.ran && state.succeeded;
}

QFont Fonts::pixel(double size) {
    registerOnce();
    return fixedFont(pixelFamily, QFont::Normal, "Regular", size);
}

QFont Fonts::mono(bool bold, double size) {
    registerOnce();
    return bold ? fixedFont(monoFamily, QFont::Bold, "Bold", size) : fixedFont(monoFamily, QFont::Normal, "Regular", size);
}

bool Fonts::areAvailable() {
    registerOnce();
    const std::array<std::pair<QFont, std::string_view>, 3> faces{
        {{pixel(12), pixelName}, {mono(false, 12), monoName}, {mono(true, 12), monoBoldName}}};
    for (const auto& [font, name] : faces) {
        if (postScriptName(font) != QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))) return false;
    }
    return true;
}

}  // namespace quorvel
