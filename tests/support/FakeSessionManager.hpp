#pragma once
// An X session manager (XSMP over ICE, through libSM) as far as a desktop's log-out goes: it
// listens on a local socket only, registers the clients that connect (start one with
// `networkID()` in its SESSION_MANAGER), and sends them the save request of a log-out. It
// grants any interaction asked for and answers the rest of the protocol with nothing.
//
// Driven by `pump` from the test's own thread; one per process (libSM keeps the session
// manager's side in globals). A client that goes away, even killed, is only dropped: the ICE
// library's own handlers would end this process on a broken connection.
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace quorvel::testing {

class FakeSessionManager {
public:
    FakeSessionManager() {
        IceSetIOErrorHandler([](IceConn) {});
        SmsSetErrorHandler([](SmsConn, Bool, int, unsigned long, int, int, SmPointer) {});
        char error[256] = {};
        if (SmsInitialize("quorvel-tests", "1.0", &FakeSessionManager::newClient, this, &acceptAnyHost,
                          sizeof error, error) == 0) {
            return;
        }
        if (IceListenForConnections(&listenerCount_, &listeners_, sizeof error, error) == 0) return;
        for (int index = 0; index < listenerCount_; ++index) {
            IceSetHostBasedAuthProc(listeners_[index], &acceptAnyHost);
            char* address = IceGetListenConnectionString(listeners_[index]);
            const std::string text = address != nullptr ? address : "";
            std::free(address);
            if (text.rfind("local/", 0) == 0 && networkID_.empty()) {
                networkID_ = text;
                local_ = listeners_[index];
            } else {
                // Nothing but this host's own socket takes connections.
                ::shutdown(IceGetListenConnectionNumber(listeners_[index]), SHUT_RDWR);
            }
        }
    }

    ~FakeSessionManager() {
        for (const Client& client : clients_) {
            if (client.session != nullptr) SmsCleanUp(client.session);
            IceSetShutdownNegotiation(client.ice, False);
            IceCloseConnection(client.ice);
        }
        if (listeners_ != nullptr) IceFreeListenObjs(listenerCount_, listeners_);
    }

    FakeSessionManager(const FakeSessionManager&) = delete;
    FakeSessionManager& operator=(const FakeSessionManager&) = delete;

    /// What a client's SESSION_MANAGER holds to reach this one; empty when it couldn't listen.
    const std::string& networkID() const { return networkID_; }

    /// Clients that registered and are still connected.
    std::size_t registeredClients() const {
        std::size_t count = 0;
        for (const Client& client : clients_) count += client.registered ? 1 : 0;
        return count;
    }

    /// Save requests answered as done (successful or not) since the last `requestLogOutSave`.
    std::size_t savesDone() const { return savesDone_; }

    /// The save request of a log-out (save everything, the session ends, no interaction, not
    /// in a hurry) to every registered client.
    void requestLogOutSave() {
        savesDone_ = 0;
        for (const Client& client : clients_) {
            if (client.registered) SmsSaveYourself(client.session, SmSaveBoth, True, SmInteractStyleNone, False);
        }
    }

    /// Accepts connections and handles what the clients sent, waiting at most `wait`.
    void pump(std::chrono::milliseconds wait) {
        std::vector<pollfd> descriptors;
        if (local_ != nullptr) descriptors.push_back({IceGetListenConnectionNumber(local_), POLLIN, 0});
        for (const Client& client : clients_) descriptors.push_back({IceConnectionNumber(client.ice), POLLIN, 0});
        if (::poll(descriptors.data(), descriptors.size(), static_cast<int>(wait.count())) <= 0) return;
        std::size_t next = 0;
        if (local_ != nullptr && (descriptors[next++].revents & POLLIN) != 0) {
            IceAcceptStatus status = IceAcceptSuccess;
            if (IceConn ice = IceAcceptConnection(local_, &status); ice != nullptr) clients_.push_back(Client{ice});
        }
        std::vector<IceConn> broken;
        for (std::size_t index = 0; next < descriptors.size(); ++index, ++next) {
            if (descriptors[next].revents == 0) continue;
            IceConn ice = clients_[index].ice;
            const IceProcessMessagesStatus status = IceProcessMessages(ice, nullptr, nullptr);
            if (status != IceProcessMessagesSuccess) broken.push_back(ice);
        }
        for (IceConn ice : broken) drop(ice);
    }

    /// Pumps until `condition` holds or `timeout` passes; whether it held.
    bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            pump(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    struct Client {
        IceConn ice = nullptr;
        SmsConn session = nullptr;
        bool registered = false;
    };

    static Bool acceptAnyHost(char*) { return True; }

    Client* clientOf(SmsConn session) {
        for (Client& client : clients_) {
            if (client.session == session) return &client;
        }
        return nullptr;
    }

    void drop(IceConn ice) {
        for (auto client = clients_.begin(); client != clients_.end(); ++client) {
            if (client->ice != ice) continue;
            if (client->session != nullptr) SmsCleanUp(client->session);
            IceSetShutdownNegotiation(ice, False);
            IceCloseConnection(ice);
            clients_.erase(client);
            return;
        }
    }

    static Status newClient(SmsConn session, SmPointer data, unsigned long* mask, SmsCallbacks* callbacks,
                            char** /*failureReason*/) {
        auto* self = static_cast<FakeSessionManager*>(data);
        IceConn ice = SmsGetIceConnection(session);
        for (Client& client : self->clients_) {
            if (client.ice == ice) client.session = session;
        }
        std::memset(callbacks, 0, sizeof *callbacks);
        *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
                SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask | SmsSaveYourselfDoneProcMask |
                SmsCloseConnectionProcMask | SmsSetPropertiesProcMask | SmsDeletePropertiesProcMask |
                SmsGetPropertiesProcMask;
        callbacks->register_client = {&registerClient, self};
        callbacks->interact_request = {[](SmsConn conn, SmPointer, int) { SmsInteract(conn); }, self};
        callbacks->interact_done = {[](SmsConn, SmPointer, Bool) {}, self};
        callbacks->save_yourself_request = {[](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}, self};
        callbacks->save_yourself_phase2_request = {[](SmsConn conn, SmPointer) { SmsSaveYourselfPhase2(conn); },
                                                   self};
        callbacks->save_yourself_done = {[](SmsConn, SmPointer me, Bool) {
                                             ++static_cast<FakeSessionManager*>(me)->savesDone_;
                                         },
                                         self};
        callbacks->close_connection = {[](SmsConn conn, SmPointer me, int count, char** reasons) {
                                           SmFreeReasons(count, reasons);
                                           if (Client* client = static_cast<FakeSessionManager*>(me)->clientOf(conn)) {
                                               client->registered = false;
                                           }
                                       },
                                       self};
        callbacks->set_properties = {[](SmsConn, SmPointer, int count, SmProp** properties) {
                                         for (int index = 0; index < count; ++index) SmFreeProperty(properties[index]);
                                         std::free(properties);
                                     },
                                     self};
        callbacks->delete_properties = {[](SmsConn, SmPointer, int count, char** names) {
                                            for (int index = 0; index < count; ++index) std::free(names[index]);
                                            std::free(names);
                                        },
                                        self};
        callbacks->get_properties = {[](SmsConn conn, SmPointer) { SmsReturnProperties(conn, 0, nullptr); }, self};
        return 1;
    }

    static Status registerClient(SmsConn session, SmPointer data, char* previousID) {
        std::free(previousID);
        char* id = SmsGenerateClientID(session);
        if (id == nullptr) return 0;
        const Status replied = SmsRegisterClientReply(session, id);
        std::free(id);
        if (Client* client = static_cast<FakeSessionManager*>(data)->clientOf(session)) client->registered = replied != 0;
        return replied;
    }

    int listenerCount_ = 0;
    IceListenObj* listeners_ = nullptr;
    IceListenObj local_ = nullptr;
    std::string networkID_;
    std::vector<Client> clients_;
    std::size_t savesDone_ = 0;
};

}  // namespace quorvel::testing
