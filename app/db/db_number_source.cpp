#include "app/db/db_number_source.h"

#include <cstdio>

#include "app/db/schema.h"
#include "common/messages.h"

namespace tagforge::db {

std::string UidHex(const Uid& uid) {
    std::string text;
    char byte[3];
    for (auto it = uid.rbegin(); it != uid.rend(); ++it) {
        std::snprintf(byte, sizeof byte, "%02X", *it);
        text += byte;
    }
    return text;
}

std::unique_ptr<DbNumberSource> DbNumberSource::Open(const DbSourceOptions& options,
                                                     std::string& problem) {
    auto session = std::make_unique<PgSession>(options.conninfo, options.limits);
    std::optional<DbError> error = session->Open();
    if (!error) {
        error = RequireCurrentSchema(*session);
    }
    if (error) {
        problem = MessageWithArgs(kMsgDbUnavailable, {error->text});
        return nullptr;
    }
    const JobResult found = FindJob(*session, options.job);
    if (!found.job) {
        problem = found.error ? MessageWithArgs(kMsgDbUnavailable, {found.error->text})
                              : MessageWithArgs(kMsgDbNoSuchJob, {options.job});
        return nullptr;
    }
    const std::string station = options.station.empty() ? DefaultStationName() : options.station;
    std::unique_ptr<DbNumberSource> source(
        new DbNumberSource(std::move(session), *found.job, station));
    const Allocation resumed = source->m_allocator->Resume();
    if (resumed.kind == Allocation::Kind::kError) {
        source->Fail(resumed);
        problem = source->m_problem;
        return nullptr;
    }
    source->m_exhausted = resumed.kind == Allocation::Kind::kExhausted;
    if (source->m_exhausted) {
        problem = source->Stop().text;
        return nullptr;
    }
    return source;
}

DbNumberSource::DbNumberSource(std::unique_ptr<PgSession> session, const DbJob& job,
                               const std::string& station)
    : m_session(std::move(session)),
      m_allocator(std::make_unique<StationAllocator>(*m_session, job, station)) {}

bool DbNumberSource::Fail(const Allocation& allocation) {
    if (allocation.kind == Allocation::Kind::kExhausted) {
        m_exhausted = true;
        m_problem = Stop().text;
    } else {
        m_problem =
            MessageWithArgs(kMsgDbUnavailable, {allocation.error ? allocation.error->text : "?"});
    }
    return false;
}

NumberClaim DbNumberSource::Stop() {
    const DbJob& job = m_allocator->Job();
    NumberClaim claim;
    claim.kind = NumberClaim::Kind::kStop;
    claim.text = m_exhausted
                     ? MessageWithArgs(kMsgDbRangeUsedUp, {job.name, ValueText(job, job.last)})
                     : m_problem;
    return claim;
}

NumberClaim DbNumberSource::ForTransponder(const Uid& uid, const TagGeometry& tag) {
    const std::string tagType = "IC " + std::to_string(tag.icManufacturer) + ", " +
                                std::to_string(tag.blockCount) + "x" +
                                std::to_string(tag.blockSize);
    const Allocation a = m_allocator->ForTransponder(UidHex(uid), tagType);
    NumberClaim claim;
    switch (a.kind) {
        case Allocation::Kind::kValue:
            claim.kind = NumberClaim::Kind::kValue;
            claim.job = AsWriteJob(m_allocator->Job(), a.value);
            return claim;
        case Allocation::Kind::kAlreadyWritten:
            claim.kind = NumberClaim::Kind::kAlreadyWritten;
            claim.text =
                MessageWithArgs(kMsgDbUidWrittenBefore,
                                {UidHex(uid), ValueText(m_allocator->Job(), a.value), a.station});
            return claim;
        case Allocation::Kind::kExhausted:
        case Allocation::Kind::kError:
            break;
    }
    Fail(a);
    return Stop();
}

bool DbNumberSource::Written(const Uid&) {
    const Allocation next = m_allocator->Written();
    if (next.kind == Allocation::Kind::kValue) {
        return true;
    }
    if (next.kind == Allocation::Kind::kExhausted) {
        // The last value is recorded; the cycle ends after this transponder.
        m_exhausted = true;
        m_problem = Stop().text;
        return true;
    }
    return Fail(next);
}

bool DbNumberSource::WriteFailed(const std::string& reason) {
    if (const std::optional<DbError> error = m_allocator->Failed(reason)) {
        Allocation lost;
        lost.error = error;
        return Fail(lost);
    }
    return true;
}

std::string DbNumberSource::HeldText() const {
    const std::optional<uint64_t> held = m_allocator->Held();
    return held ? ValueText(m_allocator->Job(), *held) : "";
}

std::string DbNumberSource::Describe() const {
    return MessageWithArgs(kMsgDbJobStation, {m_allocator->Job().name, m_allocator->Station(),
                                              m_session->ServerName()});
}

}  // namespace tagforge::db
