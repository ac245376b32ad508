#include "library/sdk_app.h"

#include <algorithm>

#include "library/hid_port_transport.h"
#include "library/lan_port.h"
#include "library/trace.h"
#include "transports/bt_dongle.h"
#include "transports/connection_name.h"
#include "transports/serial_port_name.h"

namespace vesmor {

namespace {

constexpr int32_t kIdentifyTimeoutCapMs = 300;
constexpr uint32_t kSerialEventMask = 9;
constexpr size_t kSerialWriteBuffer = 512;
constexpr int32_t kBluetoothDeviceCode = 0x125;

const CMyByteArray kType2Placeholder = {0x04, 0x05, '1', '5'};

// Up to three leading hexadecimal digits as a number.
int32_t ParseDeviceCode(const CMyByteArray& answer) {
    int32_t code = 0;
    for (size_t i = 0; i < 3 && i < answer.GetSize(); ++i) {
        const uint8_t c = answer[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        code = code * 16 + digit;
    }
    return code;
}

bool AllAboveBlank(const CMyByteArray& bytes) {
    for (size_t i = 0; i < bytes.GetSize(); ++i) {
        if (bytes[i] <= 0x20) {
            return false;
        }
    }
    return true;
}

}  // namespace

int32_t SerialIdList::Acquire() {
    std::lock_guard lock(mutex_);
    int32_t id = 1;
    while (used_.count(id) != 0) {
        ++id;
    }
    used_.insert(id);
    return id;
}

void SerialIdList::Release(int32_t id) {
    std::lock_guard lock(mutex_);
    used_.erase(id);
}

CVESMOR_SDKApp::CVESMOR_SDKApp() {
    // The HID function table is created first so that it outlives the ports closed at exit.
    HidApi::Instance();
}

CVESMOR_SDKApp& CVESMOR_SDKApp::Instance() {
    static CVESMOR_SDKApp app;
    return app;
}

CVESMOR_SDKApp::~CVESMOR_SDKApp() {
    std::lock_guard lock(listMutex_);
    while (!ports_.empty()) {
        std::shared_ptr<CVESMOR_Port> port = ports_.front();
        ports_.erase(ports_.begin());
        Release(*port);
    }
}

void CVESMOR_SDKApp::AddPort(const std::shared_ptr<CVESMOR_Port>& port) {
    std::lock_guard lock(listMutex_);
    ports_.push_back(port);
}

void CVESMOR_SDKApp::RemovePort(const CVESMOR_Port* port) {
    std::lock_guard lock(listMutex_);
    std::erase_if(ports_, [port](const auto& p) { return p.get() == port; });
}

void CVESMOR_SDKApp::Release(CVESMOR_Port& port) {
    port.CloseTransports();
    if (port.SerialId() != 0) {
        serialIds_.Release(port.SerialId());
        port.SetSerialId(0);
    }
}

std::shared_ptr<CVESMOR_Port> CVESMOR_SDKApp::FindPort(int32_t handle) {
    std::vector<std::shared_ptr<CVESMOR_Port>> dead;
    std::shared_ptr<CVESMOR_Port> found;
    {
        std::lock_guard lock(listMutex_);
        for (auto it = ports_.begin(); it != ports_.end();) {
            const int32_t portHandle = (*it)->Handle();
            if (portHandle == handle) {
                found = *it;
                break;
            }
            if (portHandle == 0) {
                dead.push_back(*it);
                it = ports_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& port : dead) {
        Release(*port);
    }
    return found;
}

bool CVESMOR_SDKApp::Identify(CVESMOR_Port& port, CMyByteArray& answer) {
    if (!port.Exchange(0xF0, {}, answer)) {
        return false;
    }
    if (port.ProtocolType() == 2) {
        if (answer == kType2Placeholder) {
            answer = {'1', '7', '1', '5'};
            CMyByteArray version;
            if (port.Exchange(0xF0, {'F', 'V'}, version) && version.GetSize() >= 4 &&
                !(version == kType2Placeholder) && AllAboveBlank(version)) {
                answer = version;
            }
        } else if (answer.GetSize() == 4) {
            answer[0] = '1';
            answer[1] = '7';
            answer[2] = '1';
        }
    } else if (port.ProtocolType() == 3 && answer.GetSize() == 9) {
        CMyByteArray kept(answer.GetData() + 4, 4);
        kept[0] = '1';
        kept[1] = '1';
        kept[2] = '7';
        answer = kept;
    }
    return true;
}

int32_t CVESMOR_SDKApp::OpenHid(CVESMOR_Port& port, const std::string& device) {
    auto hid = std::make_unique<HidPortTransport>();
    if (!hid->Device().OpenHidByName(device)) {
        return -1;
    }
    if (!hid->Device().SendHidCommand(CHidDevice::kStart)) {
        hid->Device().CloseHid();  // never started: nothing to stop
        return VESMOR_OPEN_HID_START;
    }
    port.AttachTransport(CVESMOR_Port::kHidSlot, std::move(hid));
    return 0;
}

int32_t CVESMOR_SDKApp::OpenTransport(CVESMOR_Port& port, const std::string& device, int32_t baud) {
    switch (SelectTransport(device)) {
        case TransportKind::kLan: {
            std::unique_ptr<PortTransport> lan = OpenLanTransport(port, device);
            if (!lan) {
                return -1;
            }
            port.AttachTransport(CVESMOR_Port::kLanSlot, std::move(lan));
            return 0;
        }
        case TransportKind::kHid:
            return OpenHid(port, device);
        case TransportKind::kRefused:
            return -1;
        case TransportKind::kBluetooth: {
            auto dongle = std::make_unique<CBluetoothDongle>();
            if (!dongle->OpenDongle(device)) {
                return -1;
            }
            port.AttachTransport(CVESMOR_Port::kBluetoothSlot, std::move(dongle));
            return 0;
        }
        case TransportKind::kSerial: {
            const SerialFormat format = DecodeBaudValue(baud);
            if (!port.OpenPort(nullptr, device, format.baud, format.parity, 8, format.stopBits, 0,
                               kSerialEventMask, kSerialWriteBuffer)) {
                return -1;
            }
            port.StartWorker();
            port.SetSerialId(serialIds_.Acquire());
            return 0;
        }
    }
    return -1;
}

int32_t CVESMOR_SDKApp::OpenPortLocked(const std::string& name, int32_t baud, int32_t timeoutMs) {
    if (!IsComPortName(name)) {
        baud = 19200;
    }
    std::shared_ptr<CVESMOR_Port> firstPass;
    for (int pass = 0; pass < 2; ++pass) {
        auto port = std::make_shared<CVESMOR_Port>();
        if (timeoutMs < 0) {
            return -2;
        }
        if (firstPass) {
            // A slow reader's answer to the first pass may arrive during the second.
            port->TakeOwedAnswerFrom(*firstPass);
        }
        std::string device = name;
        port->SetBusAddress(TakeBusAddress(device));
        if (const int32_t failure = OpenTransport(*port, device, baud); failure != 0) {
            Release(*port);
            return failure;
        }
        if (SelectTransport(device) == TransportKind::kBluetooth) {
            // The dongle links to the reader only when the first frame goes out: a Bluetooth
            // reader is not asked who it is.
            port->SetDeviceCode(kBluetoothDeviceCode);
            port->SetProtocolType(0);
            port->SetTimeout(timeoutMs);
            AddPort(port);
            port->SetTraceHook(traceHook_);
            return port->Handle();
        }
        AddPort(port);
        port->SetTimeout(std::min(timeoutMs, kIdentifyTimeoutCapMs));

        CMyByteArray answer;
        bool identified = false;
        const int lastType = pass == 0 ? 0 : 3;
        for (int type = 0; type <= lastType && !identified; ++type) {
            port->SetProtocolType(type);
            identified = Identify(*port, answer);
        }
        if (!identified && pass == 0) {
            RemovePort(port.get());
            Release(*port);
            firstPass = port;
            continue;
        }
        if (!identified || answer.GetSize() != 4) {
            port->SetProtocolType(0);
            port->SetDeviceCode(0);
            RemovePort(port.get());
            Release(*port);
            return -11;
        }
        port->SetDeviceCode(ParseDeviceCode(answer));
        port->SetTimeout(timeoutMs);
        port->SetTraceHook(traceHook_);
        return port->Handle();
    }
    return -11;
}

int32_t CVESMOR_SDKApp::OpenPort(const char* name, int32_t baud, int32_t timeoutMs) {
    if (name == nullptr) {
        return -1;
    }
    TraceFormat("VESMOR_OpenPort(%s,%d,%d)", name, baud, timeoutMs);
    int32_t result;
    {
        std::lock_guard lock(openMutex_);
        result = OpenPortLocked(name, baud, timeoutMs);
    }
    TraceFormat(" = %d\r\n", result);
    return result;
}

int32_t CVESMOR_SDKApp::ClosePort(int32_t handle) {
    TraceFormat("VESMOR_ClosePort(%d)\r\n", handle);
    std::shared_ptr<CVESMOR_Port> port = FindPort(handle);
    if (!port) {
        return -1;
    }
    RemovePort(port.get());
    Release(*port);
    return 0;
}

}  // namespace vesmor
