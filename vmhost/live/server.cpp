// `vmhost live` run: its command line read, and the local server the page
// talks to.
// The server (cpp-httplib) listens on 127.0.0.1 only and answers nothing but
// the page it printed the address of: a request without the address's token,
// or whose Host or Origin names another site, is refused before it is looked
// at, so that neither another local user's process nor a web page in the
// same browser can drive the plug-in. The first page to open the event
// stream flies the session; another is refused.
#include <httplib.h>
#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "aircraft.h"
#include "files.h"
#include "interrupt.h"
#include "live.h"
#include "message.h"
#include "reader.h"

namespace vmhost::live {
namespace {

int usage_error(const cli::Problem& problem) {
    return cli::usage_error("live", problem);
}

// The one operand: an aircraft, a library's path, or a typo of an
// aircraft's name (a word that names no file), which the loader would only
// report as missing.
int read_plugin(const cli::Arguments& args) {
    if (args.operands.empty())
        return usage_error({"no PLUGIN given", cli::suggest("", aircraft_list(), "aircraft")});
    if (args.operands.size() > 1) return usage_error({"more than one PLUGIN given"});
    const std::string& given = args.operands[0];
    std::error_code ec;
    if (find_aircraft(given) || given.find_first_of("/\\.") != std::string::npos ||
        std::filesystem::exists(given, ec))
        return 0;
    cli::Problem p{"unknown aircraft " + quote(given),
                   cli::suggest(given, aircraft_list(), "aircraft")};
    p.notes.emplace_back("or the path of a plug-in library");
    return usage_error(p);
}

// 128 bits from the operating system's random source, as hex.
bool random_hex(std::string& out) {
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    static const char kHex[] = "0123456789abcdef";
    out.clear();
    for (unsigned char b : bytes) out += {kHex[b >> 4], kHex[b & 15]};
    return true;
}

// Compares in a time that does not tell how much of a guess was right.
bool same_secret(const std::string& a, const std::string& b) {
    int d = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size() && !b.empty(); ++i) d |= a[i] ^ b[i % b.size()];
    return d == 0 && !b.empty();
}

// A file to write, opened; the record and the trace.
int open_output(const char* path, const char* what, Output& out) {
    if (!path) return 0;
    out.name = quote_path(path);
    errno = 0;
    out.file = std::fopen(path, "wb");
    if (!out.file) {
        out.error = errno;
        return cli::error(out.message(what));
    }
    return 0;
}

// An event's data is one line: JSON's line ends between values go.
std::string one_line(std::string json) {
    std::erase(json, '\n');
    return json;
}

// The server of one session: its routes and the checks in front of them.
class Server {
  public:
    Server(Session& session, std::string token) : session_(session), token_(std::move(token)) {}

    // Listens on 127.0.0.1:port (0: any free port); the port, or -1.
    int bind(int port) {
        http_.set_payload_max_length(kMaxMessageBytes * 4);
        http_.set_keep_alive_max_count(100000);
        // A connection kept open waits this long for its next request, and
        // the end of the session for it.
        http_.set_keep_alive_timeout(1);
        http_.set_pre_routing_handler([this](const httplib::Request& q, httplib::Response& r) {
            return allowed(q, r) ? httplib::Server::HandlerResponse::Unhandled
                                 : httplib::Server::HandlerResponse::Handled;
        });
        http_.Get("/", [](const httplib::Request&, httplib::Response& r) {
            r.set_header("Content-Security-Policy",
                         "default-src 'none'; script-src 'unsafe-inline'; style-src "
                         "'unsafe-inline'; connect-src 'self'; img-src data:; frame-ancestors "
                         "'none'");
            r.set_content(page(), "text/html; charset=utf-8");
        });
        http_.Get("/events", [this](const httplib::Request&, httplib::Response& r) { events(r); });
        http_.Post("/input", [this](const httplib::Request& q, httplib::Response& r) {
            if (!from_client(q, r)) return;
            std::string reply;
            try {
                reply = session_.submit(read_message(q.body));
            } catch (const Error& e) {
                reply = e.what;
            }
            r.status = reply.empty() ? 200 : 400;
            r.set_content(reply.empty() ? "ok" : "error: " + reply, "text/plain; charset=utf-8");
        });
        http_.Get("/trace", [this](const httplib::Request& q, httplib::Response& r) {
            if (!from_client(q, r)) return;
            int lines = 40;
            try {
                lines = static_cast<int>(std::stol(q.get_param_value("lines")));
            } catch (const std::exception&) {
            }
            r.set_content(session_.trace_tail(std::min(std::max(lines, 1), 500)),
                          "text/plain; charset=utf-8");
        });
        http_.Get("/record", [this](const httplib::Request& q, httplib::Response& r) {
            if (from_client(q, r))
                r.set_content(session_.record_text(), "text/plain; charset=utf-8");
        });
        port_ = port == 0 ? http_.bind_to_any_port("127.0.0.1")
                          : (http_.bind_to_port("127.0.0.1", port) ? port : -1);
        host_ = "127.0.0.1:" + std::to_string(port_);
        return port_;
    }

    void listen() { http_.listen_after_bind(); }
    void stop() { http_.stop(); }

  private:
    // The token, and Host and Origin naming this server: else refused.
    bool allowed(const httplib::Request& q, httplib::Response& r) const {
        const char* why = nullptr;
        if (!same_secret(q.get_param_value("token"), token_)) why = "no valid token";
        if (q.get_header_value("Host") != host_) why = "Host is not this server";
        if (q.has_header("Origin") && q.get_header_value("Origin") != "http://" + host_)
            why = "Origin is not this server's page";
        if (!why) return true;
        r.status = 403;
        r.set_content(std::string("refused: ") + why, "text/plain; charset=utf-8");
        return false;
    }

    // Whether the request comes from the page that flies the session.
    bool from_client(const httplib::Request& q, httplib::Response& r) {
        const std::lock_guard lock(mutex_);
        if (!client_.empty() && same_secret(q.get_header_value("X-Vmhost-Client"), client_))
            return true;
        r.status = 409;
        r.set_content("refused: another page flies this session", "text/plain; charset=utf-8");
        return false;
    }

    // The event stream: hello, then a frame whenever there is a new one,
    // the end at the end. Its closing, the page gone, ends the session.
    void events(httplib::Response& r) {
        std::string client;
        if (!random_hex(client)) {
            r.status = 500;
            return;
        }
        const std::string hello = session_.connect(client);
        if (hello.empty()) {
            r.status = 409;
            r.set_content("refused: another page flies this session", "text/plain; charset=utf-8");
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            client_ = client;
        }
        r.set_header("Cache-Control", "no-store");
        auto seen = std::make_shared<long long>(0);
        auto greeted = std::make_shared<bool>(false);
        r.set_chunked_content_provider(
            "text/event-stream",
            [this, hello, seen, greeted](std::size_t, httplib::DataSink& sink) {
                if (!*greeted) {
                    *greeted = true;
                    const std::string first = "event: hello\ndata: " + one_line(hello) + "\n\n";
                    return sink.write(first.data(), first.size());
                }
                bool ended = false;
                const std::string frame =
                    session_.next_frame(*seen, std::chrono::milliseconds(200), ended);
                const std::string text = ended           ? "event: end\ndata: " + frame + "\n\n"
                                         : frame.empty() ? ": idle\n\n"
                                                         : "data: " + frame + "\n\n";
                if (!sink.write(text.data(), text.size())) return false;
                if (ended) sink.done();
                return true;
            },
            [this](bool) { session_.disconnect(); });
    }

    Session& session_;
    std::string token_;
    httplib::Server http_;
    int port_ = -1;
    std::string host_;
    std::mutex mutex_;
    std::string client_;
};

}  // namespace

int main(const cli::Arguments& args) {
    if (const int s = read_plugin(args)) return s;
    // The files, where given.
    const auto file = [&args](const char* option) {
        return args[option] ? args[option]->c_str() : nullptr;
    };
    const char* const record_file = file("--record");
    const char* const trace_file = file("--trace");
    const char* const scenario = file("--scenario");
    int port = 0;
    if (const auto& given = args["--port"]) {
        try {
            port = static_cast<int>(parse_integer(*given, 0, 65535, "port"));
        } catch (const Error& e) {
            return usage_error({e.what});
        }
    }
    SessionOptions options;
    options.plugin = args.operands[0];
    if (scenario) {
        std::string why;
        if (!read_scenario(scenario, &options.start_text, &why)) return cli::error(why);
        options.start_name = scenario;
    }
    // Nothing written may overwrite what is read or the other file written.
    const char* files[] = {record_file, trace_file, scenario};
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (files[i] && files[j] &&
                (same_file(files[i], files[j]) || std::strcmp(files[i], files[j]) == 0))
                return cli::error(quote_path(files[i]) + " and " + quote_path(files[j]) +
                                  " are the same file");
    Output record, trace;
    if (const int s = open_output(record_file, "record", record)) return s;
    if (const int s = open_output(trace_file, "trace", trace)) return s;
    options.record = record_file ? &record : nullptr;
    options.trace = trace_file ? &trace : nullptr;

    std::string token;
    if (!random_hex(token))
        return cli::error(std::string("no random token: ") + std::strerror(errno));
    catch_interrupts();
    Status status;
    {
        Session session(options);
        Server server(session, token);
        const int bound = server.bind(port);
        if (bound < 0) return cli::error("cannot listen on 127.0.0.1:" + std::to_string(port));
        status = session.start();
        if (status != kOk) return status;
        std::printf("vmhost live: %s; open http://127.0.0.1:%d/?token=%s\n",
                    printable(options.plugin).c_str(), bound, token.c_str());
        std::fflush(stdout);
        std::thread listening([&server] { server.listen(); });
        status = session.fly();
        server.stop();
        listening.join();
    }
    if (record.file && !record.close())
        status = static_cast<Status>(cli::error(record.message("record")));
    if (trace.file && !trace.close())
        status = static_cast<Status>(cli::error(trace.message("trace")));
    return status;
}

}  // namespace vmhost::live
