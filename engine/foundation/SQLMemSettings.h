// The engine's process-wide settings and the foundation's ordered start-up and shutdown: the memory
// manager exists before any other engine object, the page budget follows the machine's memory, and
// the temporary folder is fixed before the first temporary file.
#pragma once
#include "vcl/rtl/SysTypes.h"

// ---- settings (engine objects read them when they are created) ----

// Pages a temporary page manager keeps in memory before it spills: 1000 until start-up, which sets
// it to a tenth of the available physical memory counted in 4096-byte pages.
extern Integer TempPagesInMemory;
extern Integer PageCacheCapacity;       // pages a page manager keeps in its cache (200)
extern Integer MemoryPageSize;          // page size of the memory page manager (4096)
extern Integer TemporaryPageSize;       // page size of the temporary page manager (4096)
extern Integer MemoryTableGrowthStep;   // default record growth step of a memory table (1000)
extern Integer HashKeyBytes;            // bytes of a key and of a slot word of the hash array (4)
extern Integer HashWordBits;            // bits of a slot word: the upper bound of the hash array's slot bits (32)
extern Integer HashReferenceBytes;      // bytes of the bucket reference after each slot word (4)
// When set, engine memory holding values, pages and BLOB data is zero-filled before release.
// Start-up clears it and nothing in the engine sets it.
extern bool EngineWipeMemory;
// Set by a dataset component created in design state; the engine itself never reads it.
extern bool DataSetInDesignState;
// Folder of the engine's temporary files, with its trailing separator; empty until start-up.
extern WideString EngineTempFolder;

// ---- start-up and shutdown ----

// The foundation's units start in this order and stop in the reverse order.
enum class TEngineStartupStage : int {
  Constants = 1,      // EngineWipeMemory and the design-state flag cleared
  MemoryManager = 2,  // the process memory manager created; TempPagesInMemory computed
  StringFormats = 3,
  Types = 4,
  Streams = 5,        // EngineTempFolder fixed
  DateFormats = 6,
  Locks = 7,
  ConditionServices = 8,  // the SQL layer's condition object serves the scan conditions
  Databases = 9,          // "MEMORY" and "TEMP" in the database list
  DataSetComponents = 10,  // the dataset list, the session list and the default session "Default"
  SQLStatements = 11,      // the statement kinds of the SQL processor registered
};

// Runs every start-up step in order. Idempotent: a second call while started does nothing; after
// FinalizeEngineFoundation it starts again from scratch. Raises what a step raises (ERangeError when
// the page budget does not fit 32 bits); the steps that already ran stay done, and the next call
// resumes with the failed step.
void InitializeEngineFoundation();
// Runs the shutdown steps of the started units in reverse order. Idempotent, never raises.
void FinalizeEngineFoundation() noexcept;
bool EngineFoundationInitialized() noexcept;

// The page budget for availableBytes of memory: (availableBytes div 10) div 4096; ERangeError when it
// does not fit an Integer.
Integer TempPagesForAvailableMemory(Int64 availableBytes);

// How a later unit wires in its start-up work: it declares its two steps in its own header, e.g.
//     void StartStringFormatUnit();           // may raise
//     void StopStringFormatUnit() noexcept;   // may be omitted (nullptr) when there is nothing to undo
// and adds the row {TEngineStartupStage::StringFormats, &StartStringFormatUnit, &StopStringFormatUnit}
// to the step table in SQLMemSettings.cpp, after the rows of earlier stages (a compile-time check
// keeps the rows in stage order). Rows start top to bottom and stop bottom to top; no static
// initialisation is involved. Tests that need the engine call InitializeEngineFoundation() in their
// set-up (it is idempotent).
