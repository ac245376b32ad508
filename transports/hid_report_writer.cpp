#include "transports/hid_report_writer.h"

#include <atomic>
#include <optional>

namespace vesmor {

namespace {

std::atomic<int> g_lingering{0};

}  // namespace

struct HidReportWriter::State {
    explicit State(hid_device* d)
        : device(d), write(HidApi::Instance().RawWrite()), close(HidApi::Instance().RawClose()) {}

    hid_device* const device;
    // The library's functions themselves: a thread left in a stuck write must not need the
    // process-wide table, which goes as the program ends.
    const HidApi::WriteFunction write;
    const HidApi::CloseFunction close;
    void* keepLoaded = nullptr;  // a reference that keeps the library mapped for such a thread
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::vector<uint8_t>> queued;  // the report the thread is to write next
    bool writing = false;                        // a write is in the device
    uint64_t posted = 0;                         // reports handed to the thread
    uint64_t finished = 0;                       // reports the device took or refused
    bool lastOk = false;                         // the outcome of the latest finished one
    bool stop = false;
    bool closeWhenDone = false;  // the thread closes the device as it ends
};

HidReportWriter::HidReportWriter(hid_device* device) : state_(std::make_shared<State>(device)) {
    thread_ = std::thread(Run, state_);
}

HidReportWriter::~HidReportWriter() {
    Close();
}

int HidReportWriter::Lingering() {
    return g_lingering.load();
}

void HidReportWriter::Run(std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->stop || state->queued.has_value(); });
        if (!state->queued) {
            break;  // stopped, nothing left to write
        }
        const std::vector<uint8_t> report = std::move(*state->queued);
        state->queued.reset();
        if (state->stop) {
            continue;  // a report queued as the device closes is dropped
        }
        state->writing = true;
        lock.unlock();
        const int written =
            state->write ? state->write(state->device, report.data(), report.size()) : -1;
        lock.lock();
        state->writing = false;
        state->lastOk = written >= 0;
        ++state->finished;
        state->changed.notify_all();
    }
    if (state->closeWhenDone) {
        lock.unlock();
        if (state->close) {
            state->close(state->device);
        }
        if (state->keepLoaded != nullptr) {
            CloseSharedLibrary(state->keepLoaded);
        }
        g_lingering.fetch_sub(1);
    }
}

bool HidReportWriter::Write(const std::vector<uint8_t>& report, std::chrono::milliseconds timeout) {
    if (!state_) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(state_->mutex);
    // A report that did not finish in time may still be in the device: the next one waits for
    // it within its own time-out.
    if (!state_->changed.wait_until(lock, deadline,
                                    [&] { return !state_->writing && !state_->queued; })) {
        return false;
    }
    state_->queued = report;
    const uint64_t mine = ++state_->posted;
    state_->changed.notify_all();
    if (!state_->changed.wait_until(lock, deadline, [&] { return state_->finished >= mine; })) {
        // Not taken in time. A report still queued is withdrawn; one in the device cannot be.
        state_->queued.reset();
        return false;
    }
    return state_->lastOk;
}

void HidReportWriter::Close() {
    if (!state_) {
        return;
    }
    bool stuck;
    {
        std::lock_guard lock(state_->mutex);
        state_->stop = true;
        state_->queued.reset();
        stuck = state_->writing;
        state_->closeWhenDone = stuck;
        if (stuck) {
            g_lingering.fetch_add(1);
            // The thread runs the library's code until its write returns: it holds a
            // reference of its own, so that an unload (or the program's end) cannot unmap it.
            state_->keepLoaded = HoldLibraryOf(reinterpret_cast<const void*>(state_->write));
        }
        state_->changed.notify_all();
    }
    if (stuck) {
        thread_.detach();
    } else {
        thread_.join();
        if (state_->close) {
            state_->close(state_->device);
        }
    }
    state_.reset();
}

}  // namespace vesmor
