#pragma once

// Small files the run writes beside the settings files (its record, a restore's bytes):
// each staged (engine/StagedWrite.h) and renamed into place, so a reader finds the old
// text or the new one, never part of one.

#include "engine/TemporaryFile.h"

#include <memory>
#include <string>
#include <vector>

// "Unable to write file [<path>].Error is [<code>][<text>]"
std::string WriteErrorText(const std::string& path, int errorCode);

// Throws a runtime error naming the file when a step fails; nothing is left behind. With
// `folder` (the held folder of `path`) the file is made and put in place through it.
void WriteWholeFile(const std::string& path, const std::string& text,
                    std::shared_ptr<const Platform::HeldFolder> folder = nullptr);

// The first half of WriteWholeFile: the text staged beside `path` (in `folder`, held,
// when one is given: the folder of `path`), with the attributes of the first of
// `attributeSources` that exists, for the caller to put in place.
CTemporaryFile StageWholeFile(const std::string& path, const std::string& text,
                              const std::vector<std::string>& attributeSources,
                              std::shared_ptr<const Platform::HeldFolder> folder = nullptr);

// False when the file cannot be read.
bool ReadWholeText(const std::string& path, std::string& text);

// The SHA-256 of a file's bytes, with whether it could be read (empty when not).
std::string FileSha256(const std::string& path, bool& exists);
