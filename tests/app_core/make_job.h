#pragma once

#include <string>

#include "common/write_job.h"

namespace tagforge {

struct JobOptions {
    bool autoNull = false;
    bool prefix = false;
    bool autoIncrement = false;
    int startblock = 0;
};

inline WriteJob MakeJob(int format, int byteCount, std::string text, JobOptions options = {}) {
    WriteJob job;
    job.Datenformat = format;
    job.Byteanzahl = byteCount;
    job.LastData = std::move(text);
    job.AutoNull = options.autoNull;
    job.PrefixZulassen = options.prefix;
    job.AutoIncrement = options.autoIncrement;
    job.Startblock = options.startblock;
    return job;
}

}  // namespace tagforge
