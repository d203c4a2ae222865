// The page's messages: a pilot's input is a scenario line, read by the
// scenario reader with its errors, so that the record replays exactly what
// was flown; the session's own words come besides.
#include <type_traits>

#include "live.h"
#include "reader.h"

namespace vmhost::live {
namespace {

const struct {
    const char* word;
    Message::Kind kind;
} kWords[] = {{"pause", Message::pause}, {"resume", Message::resume}, {"stop", Message::stop}};

// What a pilot may do: press keys, fly, take the time acceleration, step.
// Loading, creating, deleting or setting readings would change the flight
// behind the flight model's back.
template <class C>
constexpr bool kPilotInput =
    std::is_same_v<C, cmd::Key> || std::is_same_v<C, cmd::Vc> || std::is_same_v<C, cmd::Pilot> ||
    std::is_same_v<C, cmd::Brake> || std::is_same_v<C, cmd::AutopilotHold> ||
    std::is_same_v<C, cmd::AutopilotOff> || std::is_same_v<C, cmd::SetWarp> ||
    std::is_same_v<C, cmd::Step>;

}  // namespace

Message read_message(std::string_view text) {
    if (text.size() > kMaxMessageBytes)
        throw Error{"a message holds at most " + std::to_string(kMaxMessageBytes) + " bytes, not " +
                        std::to_string(text.size()),
                    ""};
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw Error{"a message is one line", ""};
    const Args args = tokens(text);
    if (args.empty()) throw Error{"an empty message", ""};
    Message m;
    for (const auto& w : kWords) {
        if (args[0] != w.word) continue;
        if (args.size() > 1) throw Error{std::string("wrong number of arguments: ") + w.word, ""};
        m.kind = w.kind;
        return m;
    }
    m.line = read_line(command_for(args), args, 0);
    const bool input = std::visit(
        [](const auto& c) { return kPilotInput<std::decay_t<decltype(c)>>; }, m.line.command);
    if (!input)
        throw Error{quote(args[0]) +
                        " is no pilot's input (key, vc, throttle, elevator, aileron, rudder, trim, "
                        "brake, autopilot, set warp, step; pause, resume, stop)",
                    ""};
    if (const auto* s = std::get_if<cmd::Step>(&m.line.command); s && s->count > kMaxMessageSteps)
        throw Error{"at most " + std::to_string(kMaxMessageSteps) + " steps at a time", ""};
    for (const std::string& a : args) m.text += (m.text.empty() ? "" : " ") + a;
    return m;
}

}  // namespace vmhost::live
