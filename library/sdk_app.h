#pragma once
// CVESMOR_SDKApp: the one library object. It owns the open ports, hands out their handles,
// opens and identifies readers and closes them.

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "library/byte_array.h"
#include "library/include/vesmor.h"
#include "library/port.h"

namespace vesmor {

// Serial ids in use, process-wide: a new id is the smallest positive integer not in use.
class SerialIdList {
  public:
    int32_t Acquire();
    void Release(int32_t id);

  private:
    std::mutex mutex_;
    std::set<int32_t> used_;
};

class CVESMOR_SDKApp {
  public:
    static CVESMOR_SDKApp& Instance();
    ~CVESMOR_SDKApp();

    int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs);
    int32_t ClosePort(int32_t handle);
    // The open port with this handle, or null. Ports found dead on the way are released.
    std::shared_ptr<CVESMOR_Port> FindPort(int32_t handle);
    // Sends the identification command and normalises the answer by protocol type.
    bool Identify(CVESMOR_Port& port, CMyByteArray& answer);
    void SetTraceHook(VESMOR_TraceHook hook) { traceHook_ = hook; }

  private:
    CVESMOR_SDKApp();
    int32_t OpenPortLocked(const std::string& name, int32_t baud, int32_t timeoutMs);
    // Opens the transport the name selects; the result of a failed open, or 0.
    int32_t OpenTransport(CVESMOR_Port& port, const std::string& device, int32_t baud);
    int32_t OpenHid(CVESMOR_Port& port, const std::string& device);
    void AddPort(const std::shared_ptr<CVESMOR_Port>& port);
    void RemovePort(const CVESMOR_Port* port);
    void Release(CVESMOR_Port& port);

    std::vector<std::shared_ptr<CVESMOR_Port>> ports_;
    std::mutex listMutex_;
    std::mutex openMutex_;
    std::atomic<VESMOR_TraceHook> traceHook_{nullptr};
    SerialIdList serialIds_;
};

}  // namespace vesmor
