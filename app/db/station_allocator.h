#pragma once
// One station's share of a job's number range. The station always holds at most one value
// (state "reserved"): it reserves the next free value in one statement (an UPDATE of the job's
// next value, RETURNING it, and the INSERT of the reservation row), marks it with the UID of
// the transponder just before writing, and written after the write. A failed write keeps the
// reservation for the next transponder. At start a station takes back the reservation it held
// when it ended; if that one had reached a transponder whose write never finished, the value
// is marked failed (its transponder's content is unknown) and a new one reserved.

#include <cstdint>
#include <optional>
#include <string>

#include "app/db/job_store.h"
#include "app/db/pg_session.h"

namespace tagforge::db {

struct Allocation {
    enum class Kind { kValue, kAlreadyWritten, kExhausted, kError };
    Kind kind = Kind::kError;
    uint64_t value = 0;
    std::string station;  // kAlreadyWritten: the station that wrote it
    std::optional<DbError> error;
};

class StationAllocator {
  public:
    StationAllocator(PgSession& session, DbJob job, std::string station);

    const DbJob& Job() const { return m_job; }
    const std::string& Station() const { return m_station; }
    std::optional<uint64_t> Held() const { return m_held; }

    // Takes back this station's open reservation, or reserves the next value.
    Allocation Resume();
    // The value for the transponder `uid` (hexadecimal text), marked with its UID; or the value
    // it already has in this job.
    Allocation ForTransponder(const std::string& uid, const std::string& tagType);
    // The held value reached its transponder; the next value is reserved at once.
    Allocation Written();
    // The held value did not reach its transponder: it stays reserved, with the reason and the
    // transponder's UID added to the row's error text (its blocks may hold part of the value).
    std::optional<DbError> Failed(const std::string& reason);

  private:
    Allocation Reserve();
    Allocation Lost(std::optional<DbError> error);

    PgSession& m_session;
    DbJob m_job;
    std::string m_station;
    std::optional<uint64_t> m_held;
};

// The station name when none is given: the host name.
std::string DefaultStationName();

}  // namespace tagforge::db
