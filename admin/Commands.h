#pragma once

#include "AdminSession.h"
#include "ChunkPacing.h"
#include "CommandLine.h"

// The commands of tarvo-admin, each run to its end; RunAdmin turns what they throw into exit
// codes and texts.
namespace admin {

// The database the command works on and how its bulk writes are paced there.
struct Target {
    accessdb::StorageLocation location;
    ChunkPacing pacing;
};

int ImportCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int ExportCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int PurgeCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int CheckCommand(const Target& target, AdminSession& session);
int BackupCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int RestoreCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int PersonCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int EraseCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int CopyCommand(const Invocation& invocation, AdminSession& session);
int OfflineLimitCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int CalendarCommand(const Invocation& invocation, const Target& target, AdminSession& session);
int TimetablesCommand(const Target& target, AdminSession& session);

}  // namespace admin
