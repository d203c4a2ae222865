// Tests of the host library run in one process: each test starts from a reset
// host that traces into a temporary file, and reads back what was written.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host.h"

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host::reset();
        out_ = std::tmpfile();
        ASSERT_NE(out_, nullptr);
        std::setvbuf(out_, buffer_, _IOFBF, sizeof buffer_);
        host::trace_to(out_);
    }
    void TearDown() override {
        host::trace_to(nullptr);
        std::fclose(out_);
        host::reset();
    }

    // The lines written since the last call, but for the "!" lines of broken
    // contract rules, which the contract tests check on their own.
    std::vector<std::string> lines() {
        std::fflush(out_);
        std::vector<std::string> result;
        std::fseek(out_, read_, SEEK_SET);
        std::string line;
        for (int c; (c = std::fgetc(out_)) != EOF;) {
            if (c == '\n') {
                if (line.rfind("! ", 0) != 0) result.push_back(line);
                line.clear();
            } else {
                line += static_cast<char>(c);
            }
        }
        read_ = std::ftell(out_);
        return result;
    }
    std::string line() {
        const auto l = lines();
        if (l.size() == 1) return l[0];
        // Built in steps: GCC 12 at -O3 warns falsely (-Wrestrict) on "<" + string.
        std::string count = "<";
        count += std::to_string(l.size());
        count += " lines>";
        return count;
    }

    std::FILE* out_ = nullptr;
    long read_ = 0;
    char buffer_[1 << 14];
};
