#pragma once

struct CommandLine;

// The commands on a voice file alone; each returns the program's exit code.
int RunInfo(const CommandLine& line);
int RunImport(const CommandLine& line);
int RunDelete(const CommandLine& line);
int RunImportFolder(const CommandLine& line); // FolderCommands.cpp
int RunExportFolder(const CommandLine& line);
int RunLevel(const CommandLine& line);
