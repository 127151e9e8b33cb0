#pragma once

// Small files the run writes beside the settings files (its record, the report): each
// written to a temporary file, flushed, and renamed into place, so a reader finds the
// old text or the new one, never part of one.

#include <string>

// Throws a runtime error naming the file when a step fails; nothing is left behind.
void WriteWholeFile(const std::string& path, const std::string& text);

// False when the file cannot be read.
bool ReadWholeText(const std::string& path, std::string& text);
