#include "ini/IniFileImage.h"

#include "console/Console.h"
#include "engine/GatheredRuns.h"
#include "engine/StagedWrite.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "text/Sha256.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string_view>

namespace {

// The text is handed on whenever it has grown past this: a large file is never held
// in memory twice.
constexpr std::size_t kChunkBytes = 64 * 1024;
// A run of the file's bytes at least this long goes out as it is, without a copy.
constexpr std::size_t kPassedBytes = 256;

std::runtime_error CreateError(const std::string& path)
{
    return std::runtime_error("Unable to create file [" + Console::ShownName(path) + "]");
}

// With the system's reason; a temporary that cannot be made names its folder, which is
// what cannot be written.
std::runtime_error CreateError(const std::string& path, const std::string& folder, int errorCode)
{
    std::string text = "Unable to create file [" + Console::ShownName(path) + "]";
    if (!folder.empty()) text += ": no file can be made in the folder [" + Console::ShownName(folder) + "]";
    return std::runtime_error(text + Platform::ErrorSuffix(errorCode));
}

std::runtime_error WriteError(const std::string& path, const std::string& reason)
{
    return std::runtime_error("Unable to write file [" + Console::ShownName(path) + "]: " + reason);
}

// ";", "; The date and time to convert a settings file: YYYYMMDD/hhmmss", ";"
std::string StampLines(std::string_view lineEnd)
{
    const Platform::LocalTime now = Platform::Now();
    const long date = now.year * 10000L + now.month * 100L + now.day;
    const long time = now.hour * 10000L + now.minute * 100L + now.second;
    const std::string end(lineEnd);
    return ";" + end + "; The date and time to convert a settings file: " + std::to_string(date) + "/" +
           std::to_string(time) + end + ";" + end;
}

// The reader removes the one CR that ends a CR LF line, so a line whose own text ends
// with CR is always ended with CR LF: the text's CR then survives the next reading.
void EndLine(std::string& text, std::string_view lineEnd)
{
    if (!text.empty() && text.back() == '\r' && lineEnd == "\n") {
        text += "\r\n";
    } else {
        text += lineEnd;
    }
}

void AppendLines(std::string& text, const std::deque<std::string_view>& store, CommentSpan lines,
                 std::string_view lineEnd)
{
    for (std::uint32_t index = lines.first; index < lines.first + lines.count; ++index) {
        text += store[index];
        EndLine(text, lineEnd);
    }
}

}  // namespace

// Windows writes CR LF; elsewhere a file whose first line break is CR LF stays a
// Windows file, and any other is written with LF.
std::string_view CIniFileImage::LineEnd() const
{
    const std::string_view systemEnd = Platform::TextLineEnd();
    if (systemEnd == "\r\n") return systemEnd;
    const std::string_view bytes = Text();
    const std::size_t lineFeed = bytes.find('\n');
    return lineFeed != std::string_view::npos && lineFeed > 0 && bytes[lineFeed - 1] == '\r' ? "\r\n" : systemEnd;
}

// Appends the file's bytes from `begin` to `end`, handing the text on whenever it
// fills a chunk; a long run goes to `passBytes` as it is, where there is one.
bool CIniFileImage::AppendFileBytes(std::string& text, std::uint64_t begin, std::uint64_t end,
                                    const std::function<bool(std::string&)>& flush,
                                    const std::function<bool(std::string_view)>& passBytes) const
{
    std::string_view bytes = m_store->fileBytes.substr(begin, end - begin);
    if (passBytes && flush && bytes.size() >= kPassedBytes) {
        if (!text.empty() && !flush(text)) return false;
        return passBytes(bytes);
    }
    while (flush && text.size() + bytes.size() > kChunkBytes) {
        const std::size_t part = kChunkBytes - std::min(text.size(), kChunkBytes);
        text.append(bytes.data(), part);
        bytes.remove_prefix(part);
        if (!flush(text)) return false;
    }
    text += bytes;
    return true;
}

std::string CIniFileImage::ComposeText() const
{
    std::string text;
    // The text of a converted file is about as long as the file read.
    text.reserve(m_loadedSizeBytes + 256);
    ComposeInto(text, nullptr);
    return text;
}

// Appends the text to `text`; when `flush` is given, it is handed the text whenever
// that has grown past a chunk, and empties it, so a large file never sits in memory
// twice. With `passBytes` too, long runs of the file's bytes that go out unchanged are
// handed to it as they are, once the text before them was flushed. False when a
// hand-on failed.
//
// A section whose lines go out as the file holds them, and whose header (with the
// empty line and the comment lines before it) writes the bytes the file holds in front
// of those lines, is written as those bytes; such sections one after another make one
// run of the file's bytes.
bool CIniFileImage::ComposeInto(std::string& text, const std::function<bool(std::string&)>& flush,
                                const std::function<bool(std::string_view)>& passBytes) const
{
    const std::string_view lineEnd = LineEnd();
    if (m_byteOrderMark) text += "\xEF\xBB\xBF";
    text += StampLines(lineEnd);

    const std::deque<std::string_view>& comments = m_store->commentLines;
    const std::string_view fileBytes = m_store->fileBytes;
    // The run of the file's bytes not written yet.
    std::uint64_t runBegin = 0;
    std::uint64_t runEnd = 0;
    std::string header;
    // Sections were made in order-number order, so the slots are in writing order.
    constexpr std::uint32_t kContentsAhead = 4;
    for (std::uint32_t slot = 0; slot < m_sections.size(); ++slot) {
        if (slot + kContentsAhead < m_sections.size()) {
            if (const CIniSectionsImaging* ahead = m_sections[slot + kContentsAhead]) ahead->ForeseeContents();
        }
        const CIniSectionsImaging* section = m_sections[slot];
        if (section == nullptr) continue;
        header.clear();
        header += lineEnd;
        AppendLines(header, comments, section->header.commentLines, lineEnd);
        header += '[';
        header += section->header.Name();
        header += ']';
        EndLine(header, lineEnd);
        const bool asRead = section->WritesBodyAsRead();
        if (asRead && section->LineEdits().count == 0) {
            const std::uint64_t bodyBegin = section->BodyBegin();
            const std::uint64_t bodyEnd = bodyBegin + section->BodyAsRead().size();
            if (header.size() <= bodyBegin && fileBytes.substr(bodyBegin - header.size(), header.size()) == header) {
                if (runEnd != bodyBegin - header.size()) {
                    if (!AppendFileBytes(text, runBegin, runEnd, flush, passBytes)) return false;
                    runBegin = bodyBegin - header.size();
                }
                runEnd = bodyEnd;
                continue;
            }
        }
        if (!AppendFileBytes(text, runBegin, runEnd, flush, passBytes)) return false;
        runBegin = runEnd = 0;
        text += header;
        if (asRead) {
            // Lines nothing asked for go out as the file holds them, but for what steps
            // made of some of them, a chunk at a time.
            std::uint64_t at = section->BodyBegin();
            const std::uint64_t end = at + section->BodyAsRead().size();
            for (const CImageStore::LineEdit& edit : section->LineEdits()) {
                if (!AppendFileBytes(text, at, section->BodyBegin() + edit.begin, flush, passBytes)) return false;
                if (edit.What() == CImageStore::LineEdit::Kind::ValueWithEqualSign) text += '=';
                text += edit.Text();
                at = section->BodyBegin() + edit.end;
            }
            if (!AppendFileBytes(text, at, end, flush, passBytes)) return false;
        } else {
            for (const CParameterImage& parameter : section->ParametersInOrder()) {
                AppendLines(text, comments, m_store->CommentsOf(parameter), lineEnd);
                m_store->AppendLine(parameter, text);
                EndLine(text, lineEnd);
                if (flush && text.size() >= kChunkBytes && !flush(text)) return false;
            }
        }
        if (flush && text.size() >= kChunkBytes && !flush(text)) return false;
    }
    if (!AppendFileBytes(text, runBegin, runEnd, flush, passBytes)) return false;
    AppendLines(text, comments, m_trailingComments, lineEnd);
    // A file another program changed while it was converted gave bytes of no one moment.
    if (!Platform::StillAsMapped(m_file)) {
        throw std::runtime_error("Unable to read file [" + Console::ShownName(m_path) +
                                 "]: the file changed while it was converted");
    }
    return !flush || flush(text);
}

// The new text is staged beside the real target and reaches the disk before anything
// may replace the target, so a settings file is never left half-written.
CTemporaryFile CIniFileImage::WriteTemporary(const std::string& path, const std::vector<std::string>& attributeSources,
                                             CSha256* digest) const
{
    const std::string target = Platform::FinalLinkTarget(path);
    const Platform::EntryKind kind = Platform::KindOf(target);
    if (kind == Platform::EntryKind::Directory || kind == Platform::EntryKind::Other) throw CreateError(path);
    if (Platform::ExistsReadOnly(target)) throw CreateError(path, std::string(), Platform::PermissionDeniedCode());
    CStagedWrite write;
    if (!write.Begin(target)) throw CreateError(path, DirectoryPart(target), write.ErrorCode());

    std::string chunk;
    // A UTF-16 file's text is encoded a chunk at a time.
    if (m_form != ByteForm::SingleBytes) chunk.reserve(std::min(m_loadedSizeBytes, kChunkBytes) + 16 * 1024);
    // A UTF-16 file's text goes out encoded back, its mark in front.
    std::string encoded(Utf16::MarkOf(m_utf16Mark ? m_form : ByteForm::SingleBytes));
    Utf16::CEncoder encoder(m_form);
    // Runs of a single-byte file's bytes go out from where the file is read, gathered
    // with the text made between them.
    CGatheredRuns gathered(write, digest);
    std::function<bool(std::string_view)> passBytes;
    if (m_form == ByteForm::SingleBytes) {
        passBytes = [&](std::string_view bytes) { return gathered.AddFileBytes(bytes); };
    }
    const bool composed = ComposeInto(chunk, [&](std::string& text) {
        if (m_form == ByteForm::SingleBytes) return gathered.AddMade(text);
        if (!encoder.Encode(text, encoded)) throw WriteError(path, "a text of it is not well-formed UTF-8");
        if (digest != nullptr) digest->Update(encoded);
        const bool chunkWritten = write.Write(encoded);
        text.clear();
        encoded.clear();
        return chunkWritten;
    }, passBytes) && gathered.Send();
    if (!encoder.Finished()) throw WriteError(path, "a text of it is not well-formed UTF-8");
    CTemporaryFile staged;
    // A full disk or a quota says so.
    if (!composed || !write.Finish(attributeSources, staged)) {
        throw std::runtime_error("Unable to write file [" + Console::ShownName(path) + "]" +
                                 Platform::ErrorSuffix(write.ErrorCode()));
    }
    return staged;
}
