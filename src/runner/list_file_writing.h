#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_sink.h"
#include "base/code_page.h"
#include "base/utf16.h"
#include "base/utf8.h"
#include "runner/archiver_command.h"

// What every form of the list file is written with: an encoding of text, a block that gathers
// the lines and hands the sink whole blocks, and the loop over the lines.
namespace velkin::list_file {

// One way of turning text into a list file's bytes.
class Encoder {
public:
    virtual ~Encoder() = default;
    // The most bytes one character of wide text can take.
    virtual std::size_t MostBytesPerUnit() const = 0;
    // Writes the text to out, which has room for MostBytesPerUnit() bytes a character: the
    // count written, or nothing when some character has no form in this encoding.
    virtual std::optional<std::size_t> Write(std::wstring_view text, char* out) const = 0;
};

// The code page's bytes (CodePage::WriteAnsi).
class CodePageEncoder final : public Encoder {
public:
    explicit CodePageEncoder(const CodePage& codePage) : codePage_(codePage) {}
    std::size_t MostBytesPerUnit() const override { return codePage_.MostBytesPerUnit(); }
    std::optional<std::size_t> Write(std::wstring_view text, char* out) const override {
        return codePage_.WriteAnsi(text, out);
    }

private:
    const CodePage& codePage_;
};

// UTF-16 in either byte order (WriteUtf16). Every unit has a form, a lone surrogate too.
class Utf16Encoder final : public Encoder {
public:
    explicit Utf16Encoder(bool bigEndian) : bigEndian_(bigEndian) {}
    std::size_t MostBytesPerUnit() const override { return kMostUtf16BytesPerUnit; }
    std::optional<std::size_t> Write(std::wstring_view text, char* out) const override {
        return WriteUtf16(text, bigEndian_, out);
    }

private:
    bool bigEndian_;
};

// UTF-8 (WriteUtf8). A lone surrogate has no form: UTF-8 cannot carry it.
class Utf8Encoder final : public Encoder {
public:
    std::size_t MostBytesPerUnit() const override { return kMostUtf8BytesPerUnit; }
    std::optional<std::size_t> Write(std::wstring_view text, char* out) const override {
        return WriteUtf8(text, out);
    }
};

// Gathers what is written into a block of its own and hands the sink a block at a time.
class BlockWriter {
public:
    explicit BlockWriter(ByteSink& sink);
    // Room for `most` more bytes; the block goes to the sink first when it lacks it.
    char* Room(std::size_t most);
    void Wrote(std::size_t count) { used_ += count; }
    void Write(std::string_view bytes);
    // What the block holds goes to the sink.
    void Flush();
    // Everything written so far, in the block and in the sink, is dropped.
    void StartOver();

private:
    ByteSink& sink_;
    std::vector<char> block_;
    std::size_t used_ = 0;
};

// How the archiver reads a line: it trims blanks and tabs, then takes one pair of enclosing double
// quotes off. The paths it would read as others go in double quotes.
enum class LineTrimming {
    // WinRAR trims the line's end only: a path that ends with a blank or a tab is quoted. A path
    // holds no double quote, so no pair of them encloses one.
    End,
    // The 7-Zip family trims both ends: a path that starts or ends with a blank or a tab, or
    // starts and ends with a double quote, is quoted.
    BothEnds,
};

// Writes every line, ended by CR LF, in the encoding; false as soon as some text has no form in
// it.
bool WriteLines(const ListFileLines& lines, const Encoder& encoder, LineTrimming trimming,
                BlockWriter& out);

} // namespace velkin::list_file
