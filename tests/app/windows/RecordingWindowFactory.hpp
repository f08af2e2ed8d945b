#pragma once
// Windows that only say what happens to them: "make device", "show device", "hide strip",
// "make QuorvelSetup", ... in one list, and each hosted window's spec.
#include <memory>
#include <string>
#include <vector>

#include "app/assembly/WindowFactory.hpp"

namespace quorvel::testing {

struct WindowRecord {
    std::vector<std::string> events;
    std::vector<WindowFactory::HostedWindowSpec> hosted;
};

class RecordingWindowFactory final : public WindowFactory {
public:
    explicit RecordingWindowFactory(WindowRecord& record) : record_(record) {}

    std::unique_ptr<WindowHost> makeDeviceWindow(WindowNavigator&) override { return made("device"); }
    std::unique_ptr<WindowHost> makeStripPanel(WindowNavigator&) override { return made("strip"); }
    std::unique_ptr<WindowHost> makeHostedWindow(const HostedWindowSpec& spec, WindowNavigator&) override {
        record_.hosted.push_back(spec);
        return made(spec.autosaveName);
    }

private:
    class Window final : public WindowHost {
    public:
        Window(WindowRecord& record, std::string name) : record_(record), name_(std::move(name)) {}
        void show() override { record_.events.push_back("show " + name_); }
        void hide() override { record_.events.push_back("hide " + name_); }

    private:
        WindowRecord& record_;
        std::string name_;
    };
    std::unique_ptr<WindowHost> made(const std::string& name) {
        record_.events.push_back("make " + name);
        return std::make_unique<Window>(record_, name);
    }
    WindowRecord& record_;
};

}  // namespace quorvel::testing
