#include "manager/cli/history_commands.h"

#include <cstdio>
#include <ctime>
#include <map>

#include "base/error.h"
#include "execution/run_history.h"
#include "manager/cli/json_text.h"
#include "manager/cli/moment_text.h"
#include "platform/program_folder.h"
#include "schedule/schedule_stamp.h"

namespace orvalo {

namespace {

RunHistory& history() {
    static RunHistory instance(programFolder() / RunHistory::kFileName, false);
    return instance;
}

std::string localMoment(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
    return text;
}

std::string jsonBool(bool value) { return value ? "true" : "false"; }

std::string runJson(const RunRecord& r) {
    const std::optional<RunEnd>& e = r.end;
    std::string out = "{\"run\": " + std::to_string(r.run) + ", \"event\": " + std::to_string(r.start.event) +
                      ", \"name\": " + jsonString(r.start.name) + ", \"trigger\": " +
                      jsonString(runTriggerName(r.start.trigger)) + ", \"due\": " +
                      (r.start.dueMs ? jsonString(localMoment(*r.start.dueMs)) : "null") +
                      ", \"start\": " + jsonString(localMoment(r.start.startMs)) +
                      ", \"end\": " + (e ? jsonString(localMoment(e->endMs)) : "null") +
                      ", \"duration_ms\": " + (e ? std::to_string(e->endMs - r.start.startMs) : "null") +
                      ", \"exit_code\": " + (e && e->exitCode ? std::to_string(*e->exitCode) : "null") +
                      ", \"signal\": " + (e && e->signal ? std::to_string(*e->signal) : "null") +
                      ", \"killed\": " + jsonBool(e && e->killed) + ", \"stopped\": " + jsonBool(e && e->stopped) +
                      ", \"lost\": " + jsonBool(r.lost) + ", \"output_truncated\": " + jsonBool(e && e->outputTruncated) +
                      ", \"result\": " + jsonString(runResultText(r)) + ", \"command\": " + jsonString(r.start.command) +
                      "}";
    return out;
}

}  // namespace

void printHistory(const HistoryOptions& o) {
    HistoryQuery query;
    query.event = o.event;
    query.limit = o.limit;
    query.failedOnly = o.failed;
    if (!o.since.empty()) {
        const ScheduleStamp since = parseMoment(o.since);
        query.sinceMs = std::chrono::duration_cast<std::chrono::milliseconds>(toWallTime(since).time_since_epoch()).count();
    }
    const std::vector<RunRecord> runs = history().runs(query);
    if (o.json) {
        std::string out = "[";
        for (const RunRecord& r : runs) out += (out.size() > 1 ? ",\n " : "\n ") + runJson(r);
        std::printf("%s\n]\n", out.c_str());
        return;
    }
    std::printf("Run\tEvent\tName\tTrigger\tStart\tDuration\tResult\n");
    for (const RunRecord& r : runs) {
        const std::string duration =
            r.end ? std::to_string(r.end->endMs - r.start.startMs) + " ms" : std::string("-");
        std::printf("%lld\t%lld\t%s\t%s\t%s\t%s\t%s\n", r.run, r.start.event, r.start.name.c_str(),
                    runTriggerName(r.start.trigger), localMoment(r.start.startMs).c_str(), duration.c_str(),
                    runResultText(r).c_str());
    }
}

void printOutput(long long run) {
    const std::optional<std::string> output = history().output(run);
    if (!output) throw Error("There is no run " + std::to_string(run));
    std::fwrite(output->data(), 1, output->size(), stdout);
}

std::string lastResultText(long long event) {
    static const std::map<long long, RunRecord> last = history().lastRuns();
    const auto found = last.find(event);
    return found == last.end() ? std::string() : runResultText(found->second);
}

}  // namespace orvalo
