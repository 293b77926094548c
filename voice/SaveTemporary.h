#pragma once

#include <filesystem>
#include <system_error>

// The temporary file a save writes before it renames it over its target. It lies beside the target
// (a rename stays within one file system) under a short name of its own, so that a target name of
// any valid length still saves, and the program can tell its own leftovers from the user's files.
// The file is locked while its save runs. (Windows names it after its target in SafeFile_win.cpp and
// holds it open without sharing; only RemoveInterruptedSaves below is common to both.)

// POSIX only. Creates and locks a new temporary file in folder; returns its descriptor, or -1 with the reason.
int CreateSaveTemporary(const std::filesystem::path& folder, std::filesystem::path& temporary,
                        std::error_code& reason);

// Removes the temporary files that saves interrupted by a crash or a power cut left in folder; those of
// a save still running elsewhere stay.
void RemoveInterruptedSaves(const std::filesystem::path& folder);
