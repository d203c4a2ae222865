#include "trace_test.h"

void TraceTest::SetUp() {
    host::reset();
    out_ = std::tmpfile();
    ASSERT_NE(out_, nullptr);
    std::setvbuf(out_, buffer_, _IOFBF, sizeof buffer_);
    host::trace_to(out_);
}

void TraceTest::TearDown() {
    host::trace_to(nullptr);
    if (out_) std::fclose(out_);
    host::reset();
}

std::vector<std::string> TraceTest::trace() {
    host::trace_flush();
    std::fflush(out_);
    std::fseek(out_, read_, SEEK_SET);
    std::vector<std::string> result;
    std::string line;
    for (int c; (c = std::fgetc(out_)) != EOF;) {
        if (c == '\n') {
            result.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    read_ = std::ftell(out_);
    std::fseek(out_, 0, SEEK_END);  // the host writes on from the end
    return result;
}

std::vector<std::string> TraceTest::lines() {
    std::vector<std::string> result = trace();
    std::erase_if(result, [](const std::string& l) { return l.rfind("! ", 0) == 0; });
    return result;
}

std::vector<std::string> TraceTest::broken() {
    std::vector<std::string> result = trace();
    std::erase_if(result, [](const std::string& l) { return l.rfind("! ", 0) != 0; });
    return result;
}

std::string TraceTest::line() {
    const auto l = lines();
    if (l.size() == 1) return l[0];
    // Built in steps: GCC 12 at -O3 warns falsely (-Wrestrict) on "<" + string.
    std::string count = "<";
    count += std::to_string(l.size());
    count += " lines>";
    return count;
}

double last_animation(const std::vector<std::string>& trace, unsigned id) {
    const std::string prefix = "SetAnimation " + std::to_string(id) + " ";
    for (auto it = trace.rbegin(); it != trace.rend(); ++it) {
        if (it->rfind(prefix, 0) == 0) return std::strtod(it->c_str() + prefix.size(), nullptr);
    }
    ADD_FAILURE() << "no " << prefix << "line in the trace";
    return -1;
}
