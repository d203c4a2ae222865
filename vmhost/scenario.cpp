// run_scenario: the scenario's lines, one by one, from the reader to the
// runner.
#include "scenario.h"

#include "files.h"
#include "reader.h"
#include "runner.h"

namespace vmhost {
namespace {

void flush_trace(const RunOptions& options) {
    if (options.trace) {
        options.trace->flush();
    } else {
        host::trace_flush();
    }
}

}  // namespace

// Before a line is read, the runner says whether any line may run now, and
// before its arguments are, whether this command may: a scenario's order is
// its first fault.
void run_lines(const std::string& text, Runner& runner, long long& number) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        ++number;
        const Args args = tokens(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
        if (args.empty()) continue;
        runner.next_line();
        const Row& row = command_for(args);
        if (row.needs_plugin) runner.need_plugin();
        runner.run(read_line(row, args, number));
    }
}

Status run_scenario(const std::string& name, const std::string& text, std::FILE* err,
                    const RunOptions& options) {
    Messages messages(err, printable(name));
    Runner runner(options, messages);
    long long number = 0;
    try {
        run_lines(text, runner, number);
    } catch (const Error& e) {
        flush_trace(options);
        messages.put(number, "error", e.what);
        if (!e.note.empty()) messages.put(number, "note", printable(e.note));
        for (const std::string& hint : e.hints) messages.put(number, "note", hint);
        // The trace ends at the faulty line. The vessels still alive are
        // deleted and the plug-in unloaded all the same, so that its objects
        // are released, but unrecorded: no scenario line asked for it.
        host::trace_to(nullptr);
        runner.finish();
        return kBadInput;
    } catch (const Interrupted&) {
        // Noted between two calls into the plug-in, so the trace holds whole
        // lines; it ends with this remark. The rest goes as after an error.
        host::remark("interrupted");
        flush_trace(options);
        host::trace_to(nullptr);
        runner.finish();
        return kInterrupted;
    } catch (const TraceFailed&) {
        // Its reason is the caller's to report, from the stream.
        host::trace_to(nullptr);
        runner.finish();
        return kBadInput;
    }
    runner.finish();
    flush_trace(options);
    return runner.verdict();
}

}  // namespace vmhost
