// The dataset components' process-wide state: the list of live datasets, the session list with the
// default session "Default", the option that cursors copy when a dataset opens them, and the current
// session component manager. The engine's start-up table makes and frees them in one explicit step
// (after the database list that holds "MEMORY" and "TEMP").
#pragma once
#include "vcl/rtl/Lists.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemCursor;
class TSQLMemDataSetLink;
class TSQLMemSession;
class TSQLMemSessionList;
class TSQLMemSessionComponentManager;
class TSQLMemDatabaseData;

// Start-up step: the dataset list, the session list and the default session, in that order. The stop
// step frees the sessions (last first, the default one among them) and the lists.
void StartDataSetUnit();
void StopDataSetUnit() noexcept;

// Every live dataset component (each adds itself when created and leaves when freed). Before start-up
// (or after shutdown) the three accessors raise 20007 "Database Engine is not initialized".
TThreadList<TSQLMemDataSetLink>& DataSetList();
TSQLMemSessionList& Sessions();
TSQLMemSession& DefaultSession();
bool DataSetUnitStarted() noexcept;

// The engine's database data of that name ("MEMORY", "TEMP" or one the SQL processor created), by
// name among every kind; nullptr when none.
TSQLMemDatabaseData* FindDatabaseData(const AnsiString& name);

// Whether a dataset's cursor rebuilds an existing in-memory table that is empty and whose definitions
// differ from the dataset's when it opens. Off by default: opening never changes a table's structure
// behind its other users; a dataset that wants the new structure deletes and creates the table.
extern bool RebuildTablesOnOpen;
// Copies the process-wide cursor options into a cursor the dataset is about to open.
void ApplyDataSetCursorOptions(TSQLMemCursor& cursor);

// The manager of the session that works right now (nullptr while none has started).
TSQLMemSessionComponentManager* CurrentSessionManager();
void SetCurrentSessionManager(TSQLMemSessionComponentManager* manager);
// The default session's manager: created on first use and freed when the default session stops.
TSQLMemSessionComponentManager& CreateDefaultSessionManager();
// 20007 when it does not exist.
TSQLMemSessionComponentManager& DefaultSessionManager();
void FreeDefaultSessionManager() noexcept;
