#include "tools/vesmor/common.h"
#include "tools/vesmor/tool_text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "common/messages.h"
#include "periphery/port_names.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

// Rates the readers' serial lines run at; the encoded value adds the line code 0..3.
constexpr std::array kReaderBauds{2400, 4800, 9600, 19200, 38400, 57600, 115200};

std::string BaudProblem(const std::string& text) {
    long value = -1;
    try {
        size_t used = 0;
        value = std::stol(text, &used);
        if (used != text.size()) {
            value = -1;
        }
    } catch (const std::exception&) {
    }
    const long rate = value - value % 100;
    const bool known =
        std::find(kReaderBauds.begin(), kReaderBauds.end(), rate) != kReaderBauds.end();
    if (value >= 0 && value % 100 <= 3 && known) {
        return {};
    }
    std::string rates;
    for (int baud : kReaderBauds) {
        rates += (rates.empty() ? "" : ", ") + std::to_string(baud);
    }
    return text + " is not an encoded baud value: a rate (" + rates +
           ") plus a line code 0-3 (0 8N1, 1 even parity, 2 odd parity, 3 two stop bits), "
           "e.g. 19201";
}

// The device path of a serial connection name ("COM1" included), or "" for other names.
std::string DevicePath(const std::string& name) {
    std::string path = tagforge::ListedName(name);
    if (path.starts_with("\\\\.\\")) {
        path.erase(0, 4);
    }
    if (!path.starts_with("/dev/")) {
        return {};
    }
    path = path.substr(0, path.find(' '));
    return path.substr(0, path.rfind(':') == std::string::npos ? path.size() : path.rfind(':'));
}

std::string InUse() {
    return Tr(QT_TRANSLATE_NOOP("vesmor", "wird von einem anderen Programm benutzt"));
}

// Why the system does not let us at the device, as far as it tells; "" when it seems usable.
std::string DeviceProblem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        switch (error) {
            case ENOENT:
            case ENXIO:
            case ENODEV:
                return Tr(QT_TRANSLATE_NOOP(
                    "vesmor", "Gerät nicht vorhanden (vesmor ports zeigt die Schnittstellen)"));
            case EACCES:
            case EPERM:
                return Tr(QT_TRANSLATE_NOOP(
                    "vesmor",
                    "Zugriff verweigert: den Benutzer in die Gruppe dialout aufnehmen "
                    "(USB-HID-Leser: plugdev), z. B. sudo usermod -aG dialout $USER, und neu "
                    "anmelden; die udev-Regeln von VESMOR Tagforge geben diesen Gruppen "
                    "Zugriff"));
            case EBUSY:
                return InUse();
            default:
                return std::strerror(error);
        }
    }
    const bool inUse = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return inUse ? InUse() : "";
}

}  // namespace

void ExplainOpenFailure(const ConnectionOptions& options, int32_t result) {
    const std::string path = DevicePath(options.port);
    if (result == -11) {
        const size_t colon = options.port.rfind(':');
        const std::string address =
            colon != std::string::npos && colon + 1 < options.port.size() &&
                    options.port.find_first_not_of("0123456789", colon + 1) == std::string::npos
                ? options.port.substr(colon + 1)
                : "1";
        std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor",
                                          "Kein Leser hat an %1 (Adresse %2, Baudwert %3) "
                                          "geantwortet: Baudrate (-b), Adresse (PORT:N) und "
                                          "Verbindung prüfen"),
                        {options.port, address, std::to_string(options.baud)})
                  << "\n";
        return;
    }
    if (!path.empty()) {
        if (const std::string problem = DeviceProblem(path); !problem.empty()) {
            std::cerr << path << ": " << problem << "\n";
        }
    }
}

CLI::Validator BlockNumber() {
    return CLI::Validator(
        [](std::string& text) {
            size_t used = 0;
            long value = -1;
            try {
                value = std::stol(text, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            return used == text.size() && value >= 0 && value <= 65535
                       ? std::string()
                       : text + " is not a block number (0-65535)";
        },
        "BLOCK");
}

void AddConnectionOptions(CLI::App& command, ConnectionOptions& options) {
    command.add_option("-p,--port", options.port, "connection name, e.g. /dev/ttyUSB0 or COM1:2")
        ->required();
    command
        .add_option("-b,--baud", options.baud,
                    "baud rate + line code (0 8N1, 1 even, 2 odd, 3 two stop bits), e.g. 19200")
        ->check(CLI::Validator([](std::string& text) { return BaudProblem(text); }, "BAUD"));
    command.add_option("-t,--timeout", options.timeoutMs, "answer timeout in ms")
        ->check(CLI::NonNegativeNumber);
}

Reader::~Reader() {
    if (handle_ > 0) {
        VESMOR_ClosePort(handle_);
    }
}

bool Reader::Open(const ConnectionOptions& options) {
    handle_ = VESMOR_OpenPort(options.port.c_str(), options.baud, options.timeoutMs);
    if (handle_ > 0) {
        return true;
    }
    ReportLibraryError(handle_, "VESMOR_OpenPort = " + std::to_string(handle_));
    ExplainOpenFailure(options, handle_);
    return false;
}

int ReportLibraryError(int32_t handle, const std::string& what) {
    const int32_t code = VESMOR_GetLastError(handle);
    std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor", "%1: Fehler %2: %3"),
                    {what, std::to_string(code), tagforge::ErrorCodeMessage(code)})
              << "\n";
    return kExitFailed;
}

}  // namespace vesmor::cli
