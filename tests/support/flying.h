// Tests that run vmhost in a temporary folder of their own and read what it
// left there: the flight log of a report (NAME.csv) as named columns of
// numbers. The test program defines VMHOST_PATH, the vmhost to run.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "subprocess.h"

namespace testsupport {

// Byte for byte.
inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A flight log as written to NAME.csv: named columns of numbers.
struct Log {
    std::vector<std::string> names;
    std::vector<std::vector<double>> rows;
    bool all_finite = true;

    std::size_t col(const std::string& name) const {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return i;
        ADD_FAILURE() << "no column " << name;
        return 0;
    }
    double max(const std::string& name) const {
        const std::size_t c = col(name);
        double m = -INFINITY;
        for (const auto& r : rows) m = std::fmax(m, r[c]);
        return m;
    }
    // The first row off the ground, or the number of rows.
    std::size_t lift_off() const {
        const std::size_t ground = col("ground");
        std::size_t row = 0;
        while (row < rows.size() && rows[row][ground] == 1) ++row;
        return row;
    }
};

inline Log read_log(const std::filesystem::path& p) {
    Log log;
    std::istringstream in(read_file(p));
    std::string line;
    std::getline(in, line);
    std::istringstream header(line);
    for (std::string cell; std::getline(header, cell, ',');) log.names.push_back(cell);
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            char* end = nullptr;
            const double v = std::strtod(cell.c_str(), &end);
            if (cell.empty() || *end != '\0' || !std::isfinite(v)) log.all_finite = false;
            row.push_back(v);
        }
        EXPECT_EQ(row.size(), log.names.size()) << line;
        log.rows.push_back(row);
    }
    return log;
}

class Flying : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               unique_name(std::string("vmhost_flying_") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // vmhost ARGS in the test's folder, standard output to out.txt and
    // standard error to err.txt; its exit status.
    int vmhost(const std::string& args) {
        return run_in(dir_, quote(VMHOST_PATH) + " " + args + " > out.txt 2> err.txt");
    }
    std::string file(const char* name) { return read_file(dir_ / name); }
    void write(const char* name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    std::filesystem::path dir_;
};

}  // namespace testsupport
