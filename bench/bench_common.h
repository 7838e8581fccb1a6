// What every benchmark shares, portable so that the ones that also build natively use it too:
// its options, medians, and the figure lines bench/run.sh gathers into its table.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline double Max(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

inline double Min(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

// One line of the table: tab-separated, picked out by bench/run.sh by its first field.
inline void Figure(const std::string& name, const std::string& value, const std::string& aim,
                   const std::string& meaning) {
    std::printf("FIGURE\t%s\t%s\t%s\t%s\n", name.c_str(), value.c_str(), aim.c_str(),
                meaning.c_str());
    std::fflush(stdout);
}

inline std::string Format(const char* format, double value) {
    char text[512];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

#if defined(__clang__)
inline void Note(const char* format, ...) __attribute__((format(printf, 1, 2)));
#elif defined(__GNUC__)
inline void Note(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#endif
inline void Note(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

// 1000000 as "1,000,000".
inline std::string Thousands(int value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[at];
    }
    return grouped;
}

// A benchmark's options, each "--name VALUE" with a count or a list of counts ("10000,100000")
// as its value. Anything else on the command line ends the program with exit code 2 and a line
// that says why and which options there are.
class Options {
public:
    // A count of at least `least`.
    Options& Count(const char* name, int& value, int least = 0) {
        options_.push_back(
            {name, "N", [&value, least](const std::string& text, const std::string& option) {
                 value = ParseCount(text, option, least);
             }});
        return *this;
    }
    Options& Counts(const char* name, std::vector<int>& values) {
        options_.push_back(
            {name, "N,N...", [&values](const std::string& text, const std::string& option) {
                 values.clear();
                 for (std::size_t start = 0;;) {
                     const std::size_t comma = text.find(',', start);
                     values.push_back(ParseCount(text.substr(start, comma - start), option, 1));
                     if (comma == std::string::npos) {
                         break;
                     }
                     start = comma + 1;
                 }
             }});
        return *this;
    }

    void Parse(int argc, char** argv) const {
        for (int i = 1; i < argc; ++i) {
            const std::string name = argv[i];
            const auto option = std::find_if(options_.begin(), options_.end(),
                                             [&name](const Option& o) { return o.name == name; });
            if (option == options_.end()) {
                Fail("unknown option " + name);
            }
            if (i + 1 >= argc) {
                Fail(name + " wants a value");
            }
            option->take(argv[++i], name);
        }
    }

private:
    struct Option {
        std::string name;
        std::string value;
        std::function<void(const std::string&, const std::string&)> take;
    };

    static int ParseCount(const std::string& text, const std::string& option, int least) {
        constexpr long kMost = 100000000;
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || value < least || value > kMost) {
            std::fprintf(stderr, "%s wants whole numbers from %d to %ld, not \"%s\"\n",
                         option.c_str(), least, kMost, text.c_str());
            std::exit(2);
        }
        return static_cast<int>(value);
    }

    [[noreturn]] void Fail(const std::string& why) const {
        std::string usage;
        for (const auto& option : options_) {
            usage += " [" + option.name + " " + option.value + "]";
        }
        std::fprintf(stderr, "%s\noptions:%s\n", why.c_str(), usage.c_str());
        std::exit(2);
    }

    std::vector<Option> options_;
};

// The options of the benchmarks of one large drop: --runs N and --rows N.
struct DropOptions {
    int runs = 5;
    int rows = 1000000;
};

inline DropOptions ParseDropOptions(int argc, char** argv) {
    DropOptions options;
    Options().Count("--runs", options.runs, 1).Count("--rows", options.rows, 1).Parse(argc, argv);
    return options;
}

} // namespace bench
