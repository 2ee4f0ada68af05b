// The engine's vocabulary: the message table from which every raise site takes its text, the SQL
// keyword table that the lexer and the type routines index, the page kinds and a few shared strings.
#pragma once
#include <span>
#include <string_view>
#include "vcl/rtl/SysTypes.h"

// ---- Messages ----
// The texts stay exactly as the engine has always reported them, misspellings included. A raise site
// passes one to SQLMemError together with its own native code, e.g.
//   SQLMemError(10001, SQLMemNilPointer);
//   SQLMemError(10000, SQLMemInvalidFieldNumber, {fieldNo, fieldCount});
// A message is chosen by what went wrong, never looked up by a code: one code may carry different texts.

// Raised by the engine's foundation and storage.
inline constexpr char SQLMemInvalidFieldNumber[] = "Invalid field number - FieldNo = %d, FieldCount = %d";
inline constexpr char SQLMemNilPointer[] = "Nil pointer occured";
inline constexpr char SQLMemErrorGettingFieldData[] = "Error getting field data - FieldNo = %d, MemoryOffset = %d, MemoryDataSize = %d";
inline constexpr char SQLMemInvalidRecordSize[] = "Invalid record size = 0";
inline constexpr char SQLMemErrorRetrievingRecord[] = "Error retreiving record";
inline constexpr char SQLMemCreateTableNoFieldsSpecified[] = "Error creating table - no fields were specified";
inline constexpr char SQLMemTableNotFound[] = "Table not found, table name = %s";
inline constexpr char SQLMemCannotDeleteOpenTable[] = "Cannot delete table '%s'. Table is open by another dataset";
inline constexpr char SQLMemCannotSetStreamPosition[] = "Cannot set stream position to %d. Position = %d, Size = %d";
inline constexpr char SQLMemStreamSizeTooSmall[] = "Stream size = %d too small. Should be at least = %d";
inline constexpr char SQLMemCompressBufferFailed[] = "Compress buffer failed. CompAlg = %d, CompMode = %d, InSize = %d, OutSize = %d";
inline constexpr char SQLMemDecompressBufferFailed[] = "Decompress buffer failed. CompAlg = %d, InSize = %d, OutSize = %d";
inline constexpr char SQLMemDecompressSizeMismatch[] = "Decompress buffer failed. UncompSize = %d, Header.UncompSize = %d";
inline constexpr char SQLMemDecompressCheckSumMismatch[] = "Decompress buffer failed. CheckSum = %d, Header.Crc32 = %d";
inline constexpr char SQLMemCannotReadFromStream[] = "Cannot read from stream. ReadSize = %d";
inline constexpr char SQLMemInvalidStreamSize[] = "Invalid stream size = %d. Should be = %d";
inline constexpr char SQLMemErrorWritingToStream[] = "Error writing to stream";
inline constexpr char SQLMemCannotWriteBlockToStream[] = "Cannot write to stream. Position = %d, Stream size = %d, Block size = %d, Bytes Write = %d";
inline constexpr char SQLMemInvalidExtensionSize[] = "Invalid extension size. NewSize = %d, UncompressedSize = %d, ExtensionSize = %d";
inline constexpr char SQLMemCannotCreateFile[] = "Cannot create file. FileName = %s";
inline constexpr char SQLMemCannotOpenFile[] = "Cannot open file. FileName = %s, Mode = %d";
inline constexpr char SQLMemBLOBFieldAlreadyOpened[] = "BLOB field already opened. FieldNo = %d, FieldName = %s";
inline constexpr char SQLMemCannotWriteReadOnlyStream[] = "Cannot write to read only stream";
inline constexpr char SQLMemCannotReadBlockFromStream[] = "Cannot read from stream. Position = %d, Stream size = %d, Block size = %d, Bytes Read = %d";
inline constexpr char SQLMemInvalidRecordCount[] = "Invalid record count = %d. Limit is %d";
inline constexpr char SQLMemCannotRenameOpenTable[] = "Cannot rename table '%s'. Table is open by another dataset";
inline constexpr char SQLMemCannotLoadOpenTable[] = "Cannot load table '%s'. Table is open by another dataset";
inline constexpr char SQLMemCannotSaveOpenTable[] = "Cannot save table '%s'. Table is open by another dataset";
inline constexpr char SQLMemInvalidSignature[] = "Invalid signature = %s. Should be %s";
inline constexpr char SQLMemInvalidVersionNumber[] = "Invalid version number = %f. Should be %f";
inline constexpr char SQLMemDifferentListsLength[] = "Error - different lists length. L1 = %d, L2 = %d";
inline constexpr char SQLMemNoProjectionFields[] = "No fields were specified while setting projection";
inline constexpr char SQLMemCannotFindField[] = "Cannot find field %s";
inline constexpr char SQLMemInvalidConditionNumber[] = "Invalid condition number = %d, count = %d";
inline constexpr char SQLMemCannotFindRecordPosition[] = "Cannot find record position in index %d, RecordID = %d %d";
inline constexpr char SQLMemInvalidScanCondition[] = "Invalid scan condition - indexID = %d, count = %d";
inline constexpr char SQLMemNotReleasedPageAllocated[] = "Not released page is allocated";
inline constexpr char SQLMemInvalidBitNo[] = "Invalid bit no = %d, number of bits = %d";
inline constexpr char SQLMemInvalidItemNumber[] = "Invalid item number - ItemNo = %d, ItemCount = %d";
inline constexpr char SQLMemStreamBlockSizeZero[] = "Stream block size = 0 is not allowed";
inline constexpr char SQLMemBLOBBlockSizeNotPositive[] = "BLOB block size should be > 0 for field %s";
inline constexpr char SQLMemDuplicateFieldName[] = "Duplicate field name %s";
inline constexpr char SQLMemInvalidRecordNo[] = "Invalid record No = %d";
inline constexpr char SQLMemFieldNoNotFound[] = "Field #%d not found";
inline constexpr char SQLMemInvalidUseCount[] = "Error - invalid use count = %d, pageNo = %d";
inline constexpr char SQLMemTransactionAlreadyStarted[] = "Transaction already started in database '%s'";
inline constexpr char SQLMemTransactionNotStarted[] = "Transaction is not started in database '%s'";
inline constexpr char SQLMemTransactionNotFinished[] = "Transaction is not finished";
inline constexpr char SQLMemPageNotDirty[] = "Page is not dirty, pageNo = %d";
inline constexpr char SQLMemCannotRemoveUsedPage[] = "Cannot remove used page, pageNo = %d, UseCount = %d";
inline constexpr char SQLMemRemainingTableLocks[] = "Cannot start transaction due to remaining table locks in table '%s'";
inline constexpr char SQLMemCannotUnlockTableInTransaction[] = "Cannot unlock table '%s' in transaction, SessionID = %d";
inline constexpr char SQLMemCommitFailedRollbackCalled[] = "Commit operation failed - rollback called. Some of modified tables are locked by other sessions";
inline constexpr char SQLMemCannotLockTable[] = "Error - cannot lock table in '%s' mode, table name = '%s', SessionID = %d";
inline constexpr char SQLMemTransactionOnlyDiskDatabases[] = "Cannot start transaction. Only disk databases are allowed for this";
inline constexpr char SQLMemNotInsideTransaction[] = "Cannot perform this operation inside a transaction";
inline constexpr char SQLMemOperationNotSupported[] = "Error - operation is not supported";
inline constexpr char SQLMemTableNotExclusive[] = "Error - table '%s' is not opened in exclusive mode";
inline constexpr char SQLMemRepairCannotGetRecord[] = "Error during table repairing. Cannot get record, PageNo = %d, PageItemNo = %d, talbeName = ";
inline constexpr char SQLMemRecordDoesNotExist[] = "Record does not exist, ID = %d, %d";
inline constexpr char SQLMemDuplicateRecordIDInMap[] = "Error adding record to record map - duplicate record ID = %d %d";
inline constexpr char SQLMemRecordIDArraySortingError[] = "Sorting error in TSQLMemRecordIDArray: Hi = %d, Lo = %d, iHi = %d, iLo = %d, ItemCount = %d";
inline constexpr char SQLMemCannotFindIndexByID[] = "Cannot find index by ID = %d";
inline constexpr char SQLMemFieldNotFound[] = "Field '%s' not found";
inline constexpr char SQLMemForeignKeyViolated[] = "Constraint foreign key '%s' violated in table '%s'";
inline constexpr char SQLMemFKCheckInvalidMatchType[] = "Error checking constraint foreign key '%s' in table '%s' - invalid match type = %d";
inline constexpr char SQLMemFKCheckInvalidColumn[] = "Error checking constraint foreign key '%s' in table '%s' - invalid column specification, column index = %d, column object id = %d";
inline constexpr char SQLMemFKCheckCannotOpenReferencedTable[] = "Error checking constraint foreign key '%s' in table '%s' - cannot open referenced table due to error: %s";
inline constexpr char SQLMemFKCheckPrimaryKeyNotFound[] = "Error checking constraint foreign key '%s' in table '%s' - primary key not found in referenced table '%s'";
inline constexpr char SQLMemFKCheckPrimaryKeyColumnCount[] = "Error checking constraint foreign key '%s' in table '%s' - primary key '%s' has invalid number of columns in referenced table '%s'";
inline constexpr char SQLMemForeignKeysNotInTemporaryTables[] = "Foreign keys are not supported in temporary tables";
inline constexpr char SQLMemCreateTableMultiplePrimaryIndexes[] = "Cannot create table '%s'. Error in indexes definition - multiple primary indexes are not allowed";
inline constexpr char SQLMemCreateTableDuplicateIndex[] = "Cannot create table '%s'. Duplicate index name '%s'";
inline constexpr char SQLMemCreateTableNoFields[] = "Cannot create table '%s'. No fields were defined";
inline constexpr char SQLMemCreateTableDuplicateField[] = "Cannot create table '%s'. Duplicate field name '%s'";
inline constexpr char SQLMemCreateTableDuplicateConstraint[] = "Cannot create table '%s'. Duplicate constraint name '%s'";
inline constexpr char SQLMemCreateTableUnnamedFields[] = "Cannot create table '%s'. Unnamed fields are not allowed";
inline constexpr char SQLMemCreateTableUnnamedIndexes[] = "Cannot create table '%s'. Unnamed indexes are not allowed";
inline constexpr char SQLMemCreateTableNoIndexFields[] = "Cannot create table '%s'. No fields defined in index '%s'";
inline constexpr char SQLMemFKDefNoPrimaryKey[] = "Invalid foreign key '%s' definition in table '%s' - referenced table '%s' has no primary key";
inline constexpr char SQLMemFKDefColumnCountMismatch[] = "Invalid foreign key '%s' definition in table '%s' - referenced table '%s' has primary key that does not correspond foreign key by number of fields";
inline constexpr char SQLMemFKDefFieldNotFound[] = "Invalid foreign key '%s' definition in table '%s' - field '%s' does not exist";
inline constexpr char SQLMemFKDefPrimaryKeyFieldNotFound[] = "Invalid foreign key '%s' definition in table '%s' - primary key field '%s' does not exist in referenced table '%s'";
inline constexpr char SQLMemFKDefTypesMismatch[] = "Invalid foreign key '%s' definition in table '%s' - types of foreign key field '%s' and primary key field '%s' of the referenced table '%s' mismatches";
inline constexpr char SQLMemCannotFindFieldInTable[] = "Cannot find field %s in table %s";
inline constexpr char SQLMemCannotLoadRecord[] = "Error - cannot load record (PageNo = %d, PageItemNo = %d) in table '%s'";
inline constexpr char SQLMemUpdateViolatesForeignKey[] = "Cannot update record(s) in table '%s' - constraint foreign key '%s' in table '%s' violated";
inline constexpr char SQLMemDeleteViolatesForeignKey[] = "Cannot delete record(s) in table '%s' - constraint foreign key '%s' in table '%s' violated";
inline constexpr char SQLMemInvalidForeignKeyAction[] = "Error - invalid foreign key action (%d) in table '%s' referencing foreign key '%s' in table '%s'";
inline constexpr char SQLMemDeleteTableViolatesForeignKeys[] = "Cannot delete table '%s' - foreign key constraint(s) violated";
inline constexpr char SQLMemConstraintDoesNotExist[] = "Error - constraint '%s' does not exist in table '%s'";
inline constexpr char SQLMemCannotDeleteReferencedPrimaryKey[] = "Cannot delete constraint primary key '%s' in table '%s' - foreign key(s) referencing this table exists";
inline constexpr char SQLMemCannotRenameForeignKeyField[] = "Cannot rename field '%s' in table '%s' - foreign key '%s' includes this field";
inline constexpr char SQLMemCannotRenameIndexField[] = "Cannot rename field '%s' in table '%s' - index '%s' includes this field";
inline constexpr char SQLMemCannotRenameTableNameExists[] = "Cannot rename table '%s' to '%s' - table with such name already exists";
inline constexpr char SQLMemCannotEmptyReferencedTable[] = "Cannot empty table '%s' - foreign key(s) with delete action referencing this table exists";
inline constexpr char SQLMemInvalidForeignKeyTemporaryName[] = "Invalid foreign key tempoaray name = %s";
inline constexpr char SQLMemCreateForeignKeyColumnNotFound[] = "Cannot create foreign key '%s' - column '%s' does not exist in table '%s'";
inline constexpr char SQLMemCreateForeignKeyNameExists[] = "Cannot create foreign key '%s' in table '%s' - constraint with such name already exists";
inline constexpr char SQLMemBlobFieldValueNotAllowed[] = "Setting blob field value is not allowed in this method, FieldNo = %d, TableName = %s";
inline constexpr char SQLMemCannotFindKeyPath[] = "Index error - cannot find the key path: SessionID = %d, RecordID.PageNo = %d, RecordID.PageItemNo = %d, Items.Count = %d";
inline constexpr char SQLMemNotNumericArgument[] = "Not numeric argument in numeric operator '%s'";
inline constexpr char SQLMemKeyPathInvalidItemNo[] = "Error in index system: adding item to key path with invalid ItemNo = %d. PageNo = %d, EntryNo = %d, EntryCount = %d";
inline constexpr char SQLMemInvalidKeySize[] = "Error setting Key, invalid KeySize = %d. KeySize should be >= 0 and < %d";
inline constexpr char SQLMemInvalidCount[] = "Invalid count = %d, max count = %d";
inline constexpr char SQLMemInvalidDataSize[] = "Invalid data size = %d";
inline constexpr char SQLMemDatabaseDataNotFound[] = "DatabaseData not found. DatabaseName = %s, DatabaseFileName = %s, DatabaseFileNameUnicode = %s, InMemory = %s, Temporary = %s";
inline constexpr char SQLMemIndexNotFound[] = "Index not found";
inline constexpr char SQLMemInternalIndexError[] = "Internal index error";
inline constexpr char SQLMemCannotDeleteMissingIndex[] = "Cannot delete index '%s'. Index not found";
inline constexpr char SQLMemCannotCreateExistingIndex[] = "Cannot create index '%s'. Index already exists";
inline constexpr char SQLMemIndexPagesNotReleased[] = "Index pages are not released";
inline constexpr char SQLMemIndexPageEmpty[] = "Index error: page is empty";
inline constexpr char SQLMemIndexEntryNotFound[] = "Index error: cannot delete entry. Entry not found";
inline constexpr char SQLMemIndexIntegrityViolated[] = "Index integrity violated. PageNo=%d EntryNo=%d";
inline constexpr char SQLMemIndexCircularLinks[] = "Index integrity violated. Circular links. PageNo=%d EntryNo=%d";
inline constexpr char SQLMemIndexInvalidLeafLink[] = "Index integrity violated. Invlaid leaf link. PageNo=%d EntryNo=%d";
inline constexpr char SQLMemPageBufferNil[] = "Invalid page buffer. Buffer is Nil";
inline constexpr char SQLMemInvalidPageModification[] = "Invalid page modification";
inline constexpr char SQLMemUsedPageReleasedTooEarly[] = "Used page was released too early";
inline constexpr char SQLMemCannotFindIndexField[] = "Cannot find index field '%s'";
inline constexpr char SQLMemPointerIsNil[] = "Pointer is nil";
inline constexpr char SQLMemInvalidIndexKeyPath[] = "Invalid index key path";
inline constexpr char SQLMemInvalidGetRecordModeCurrent[] = "Invalid get record mode for index: grmCurrent";
inline constexpr char SQLMemInvalidPageNumber[] = "Invalid page number";
inline constexpr char SQLMemIndexInvalidPosition[] = "Index error: invalid position";
inline constexpr char SQLMemIndexInvalidPageNumber[] = "Index error: invalid page number";
inline constexpr char SQLMemEmptyIndexNoRecord[] = "Cannot retreive record from empty index";
inline constexpr char SQLMemRecNoGreaterThanRecordCount[] = "Cannot set RecNo greater than RecordCount";
inline constexpr char SQLMemIndexInvalidParams[] = "Index error: invalid params";
inline constexpr char SQLMemPageUsedByOtherSession[] = "Page is used by other session";
inline constexpr char SQLMemDatabaseAlreadyOpen[] = "Cannot create database. Database is already open";
inline constexpr char SQLMemCannotFreeUncommittedPages[] = "Cannot free not commited pages, page manager classname = %s";
inline constexpr char SQLMemInvalidPointer[] = "Invalid pointer";
inline constexpr char SQLMemMemoryLimitExceeded[] = "Memory limit exceeded (Limit = %d bytes)";
inline constexpr char SQLMemUnsupportedDataType[] = "Unsuported data type '%s'";
inline constexpr char SQLMemSequenceOverflow[] = "Sequence '%s' overflow";
inline constexpr char SQLMemSequenceNotFound[] = "Sequence #%d not found";
inline constexpr char SQLMemNoSequenceLastValue[] = "No SequenceLastValue in session for sequence '%s'. Call GetNextVal first";
inline constexpr char SQLMemReallocMemError[] = "ReallocMem error: %s";
inline constexpr char SQLMemGetMemError[] = "GetMem error: %s";
inline constexpr char SQLMemValueIsNull[] = "Value is Null";
inline constexpr char SQLMemConstraintNotNull[] = "Constraint '%s' violated. Value in field '%s' cannot be null";
inline constexpr char SQLMemConstraintBelowMinimum[] = "Constraint '%s' violated. Value in field '%s' cannot be lower then '%s'";
inline constexpr char SQLMemConstraintAboveMaximum[] = "Constraint '%s' violated. Value in field '%s' cannot be greater then '%s'";
inline constexpr char SQLMemNotImplementedYet[] = "Not implemented yet";
inline constexpr char SQLMemCannotCompareIncompatibleTypes[] = "Cannot compare Incompatible DataTypes: '%s' and '%s'";
inline constexpr char SQLMemCannotCopyDataIntoNewMemory[] = "Cannot copy data into new memory";
inline constexpr char SQLMemUnsupportedVariantType[] = "Unsupported Variant Type %s";
inline constexpr char SQLMemAMPMWordExpected[] = "AM/PM word expected, but '%s' found";
inline constexpr char SQLMemMemoryOverrunDetected[] = "Memory overrun detected";
inline constexpr char SQLMemFreeAndNilMemError[] = "FreeAndNillMem error: %s";
inline constexpr char SQLMemCannotAllocateZeroBytes[] = "Cannot alocate 0 bytes";
inline constexpr char SQLMemUnknownDataType[] = "Unknown DataType: '%s'";
inline constexpr char SQLMemPrimaryKeyDuplicate[] = "Primary Key constraint '%s' violated. Duplicate found.";
inline constexpr char SQLMemUniqueDuplicate[] = "Constraint unique '%s' violated. Duplicate found.";
inline constexpr char SQLMemIndexNameNotFound[] = "Index '%s' not found";
inline constexpr char SQLMemMethodNotOverridden[] = "The method '%s' not overrided in class '%s'";
inline constexpr char SQLMemUnknownGetMemMethod[] = "Unknown GetMem method type: %d";
inline constexpr char SQLMemCannotRenameFieldNameExists[] = "Cannot rename field '%s'. Field '%s' already exists";

// Raised by the dataset components and the SQL layer, or kept for compatibility.
inline constexpr char SQLMemErrorAlteringTable[] = "Error altering teble: '%s'";
inline constexpr char SQLMemAddDropAlterExpected[] = "ADD, DROP or ALTER keyword expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemIndexKeywordExpected[] = "'INDEX' keyword expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemIndexNameExpected[] = "index name expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemOnKeywordExpected[] = "'ON' keyword expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemCannotDetermineExpressionType[] = "Cannot determine expression type";
inline constexpr char SQLMemUnsupportedAutoincType[] = "Unsupported Autoinc DataType (%s) found at line %d, column %d";
inline constexpr char SQLMemDefaultDeclaredTwice[] = "default value for column '%s' declared twice";
inline constexpr char SQLMemUnknownConstraintType[] = "Unknown Constraint Type: '%d'";
inline constexpr char SQLMemRestructureTableError[] = "Restructure table error: '%s'";
inline constexpr char SQLMemParameterValueUndefined[] = "Parameter Value undefined (FieldName='%s', Type='%s')";
inline constexpr char SQLMemErrorParsingParameter[] = "Error parsing parameter '%s' at line %d, column %d";
inline constexpr char SQLMemParameterValueNotFound[] = "Value for parameter '%s' not found";
inline constexpr char SQLMemSortSpecificationExpected[] = "Sort specification expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemOrderByColumnNotFound[] = "Column '%s' from ORDER BY clause not found";
inline constexpr char SQLMemDatasetAndAONotAssigned[] = "Dataset and AO not assigned";
inline constexpr char SQLMemFieldNameExists[] = "Field by name '%s' already exists";
inline constexpr char SQLMemNodeIsNotField[] = "Node is not field";
inline constexpr char SQLMemCloseParenOrCommaExpected[] = "')' or ',' symbol expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemOpenParenExpected[] = "'(' symbol expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemCloseParenExpected[] = "')' symbol expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemFieldTypeExpected[] = "Field type expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemUnknownFieldType[] = "Unknown field type '%s' at line %d, column %d";
inline constexpr char SQLMemDecimalConstantExpected[] = "Decimal constant expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemNullKeywordExpected[] = "'NULL' expected (for NOT NULL), but '%s' found at line %d, column %d";
inline constexpr char SQLMemTableAlreadyExists[] = "Cannot create table. Table '%s' already exists";
inline constexpr char SQLMemErrorCreatingTable[] = "Error creating table: '%s'";
inline constexpr char SQLMemErrorDroppingTable[] = "Error dropping table: '%s'";
inline constexpr char SQLMemBlankSQLCommand[] = "Blank SQL command";
inline constexpr char SQLMemNotStringArgument[] = "Not string argument in function '%s'";
inline constexpr char SQLMemCannotInvertNotNumeric[] = "Cannot invert value with not numeric type '%s'";
inline constexpr char SQLMemDivisionError[] = "Division error: %s";
inline constexpr char SQLMemNotOnOpenDataset[] = "Cannot perform this operation on an open dataset";
inline constexpr char SQLMemNoSQLStatementAvailable[] = "No SQL statement available";
inline constexpr char SQLMemSearchConditionNotApplicable[] = "Search condition is not applicable";
inline constexpr char SQLMemObjectTypeKeywordExpected[] = "Object type keyword expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemSQLTokenExpected[] = "SQL token expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemIntegerExpected[] = "Integer expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemExpressionExpected[] = "Expression expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemFieldPseudonymExpected[] = "Field pseudonym expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemFieldNameExpected[] = "Field name expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemFieldListExpected[] = "Field list expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemUnexpectedCloseParen[] = "Unexpected symbol ')' found at line %d, column %d";
inline constexpr char SQLMemUnterminatedString[] = "Unterminated string at line %d, column %d";
inline constexpr char SQLMemInvalidNumericSymbol[] = "Invalid numeric symbol '%s' at line %d, column %d";
inline constexpr char SQLMemUnexpectedToken[] = "Unexpected token '%s' found at line %d, column %d";
inline constexpr char SQLMemUnexpectedEndOfCommand[] = "Unexpected end of SQL command found at line %d, column %d";
inline constexpr char SQLMemBooleanExpressionExpected[] = "Boolean expression expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemTokenExpected[] = "Token '%s' expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemFunctionArgumentExpected[] = "Argument expected for function '%s' at line %d, column %d";
inline constexpr char SQLMemCannotConvertExpression[] = "Cannot convert an expression to specified type: '%s'";
inline constexpr char SQLMemTableNameExpected[] = "Table name expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemQuotedPasswordExpected[] = "Quoted password expected (for PASSWORD \"passwordData\"), but '%s' found at line %d, column %d";
inline constexpr char SQLMemStringArgumentExpected[] = "String argument expected for function '%s', but '%s' found at line %d, column %d";
inline constexpr char SQLMemDateFormatStringExpected[] = "Const DateFormat string expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemFieldNamesKeyValuesCount[] = "Count of FieldNames (%d) not equal counts of KeyValues (%d)";
inline constexpr char SQLMemUnknownOperator[] = "Unknown operator: '%s'";
inline constexpr char SQLMemUnknownReturnCode[] = "Unknown return code: %d";
inline constexpr char SQLMemCannotCast[] = "Cannot cast from '%s' to '%s'";
inline constexpr char SQLMemMissingCloseParen[] = "Missing symbol ')' at line %d, column %d";
inline constexpr char SQLMemCircularDatalinks[] = "Circular datalinks are not allowed";
inline constexpr char SQLMemInvalidIndexName[] = "Invalid index name '%s'";
inline constexpr char SQLMemInvalidIndexForSearch[] = "Invalid index for search";
inline constexpr char SQLMemInvalidIndexNo[] = "Invalid index No (IndexOf)";
inline constexpr char SQLMemCannotCreateDatabase[] = "Cannot create database";
inline constexpr char SQLMemDatabaseNameMissing[] = "Database name missing";
inline constexpr char SQLMemDatabaseOpenError[] = "Database open error";
inline constexpr char SQLMemMissingTableNameProperty[] = "Missing TableName property";
inline constexpr char SQLMemFieldNotInCurrentIndex[] = "Field %s is not in the current index";
inline constexpr char SQLMemDatasetNotTable[] = "Dataset is not TSQLMemTable. ClassName = %s";
inline constexpr char SQLMemDatabaseUsedByOtherSessions[] = "Error - database '%s' is used by other sessions";
inline constexpr char SQLMemDatabaseNameOrMemoryExpected[] = "Error - database name or MEMORY keyword expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemInvalidOperandCount[] = "Invalid number of parameters in expression. Operator = %s, Children.Count = %d, Expected Children.Count = %d";
inline constexpr char SQLMemErrorCreatingTableHandle[] = "Error creating table handle";
inline constexpr char SQLMemInvalidSessionName[] = "Invalid session name '%s'";
inline constexpr char SQLMemNotOnActiveSession[] = "Cannot perform this operation on an active session";
inline constexpr char SQLMemSessionNameWhileAutoSessionName[] = "Cannot modify SessionName while AutoSessionName is enabled";
inline constexpr char SQLMemDuplicateSessionName[] = "Duplicate session name '%s'";
inline constexpr char SQLMemSessionNameMissing[] = "Session name missing";
inline constexpr char SQLMemDatabaseEngineNotInitialized[] = "Database Engine is not initialized";
inline constexpr char SQLMemAutoSessionNameWithSeveralSessions[] = "Cannot enable AutoSessionName property with more than one session on a form or data-module";
inline constexpr char SQLMemCannotAddSessionWithAutoSessionName[] = "Cannot add a session to the form or data-module while session '%s' has AutoSessionName enabled";
inline constexpr char SQLMemNotOnOpenDatabase[] = "Cannot perform this operation on an open database";
inline constexpr char SQLMemRestructureCannotCloseTemporary[] = "Error - %s table '%s' failed. Cannot close temporary table due to error: \r\n%s\r\n";
inline constexpr char SQLMemRestructureCannotCopyData[] = "Error - %s table '%s' failed. Cannot copy data due to error: \r\n%s\r\n";
inline constexpr char SQLMemRestructureCannotDeleteTable[] = "Error - %s table '%s' failed. Cannot delete table due to error: \r\n%s\r\n";
inline constexpr char SQLMemRestructureCannotRenameTemporary[] = "Error - %s table '%s' failed. Cannot rename temporary table '%s' due to error: \r\n%s\r\n";
inline constexpr char SQLMemFunctionTypesMismatch[] = "Types mismatches in SQL function %s: %d, %d";
inline constexpr char SQLMemFromOrCommaExpected[] = "FROM or ',' expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemFunctionArgumentMissing[] = "Argument expected in SQL function %s";
inline constexpr char SQLMemInvalidSetRecNoValue[] = "Invalid value = %d for SetRecNo";
inline constexpr char SQLMemDatasetNotCompatible[] = "The dataset object is not TSQLMemdataset compatible";
inline constexpr char SQLMemSubQueryAliasMissing[] = "Every table in sub-query must have its own alias. Sub-query SQL: \r\n";
inline constexpr char SQLMemErrorParsingSubQuery[] = "Error parsing sub-query - invalid SQL statement: \r\n%s";
inline constexpr char SQLMemIndexDoesNotExistInTable[] = "Error - index '%s' does not exist in table '%s'";
inline constexpr char SQLMemCannotUpdateRecordTemporaryMode[] = "Cannot update record in temporary mode";
inline constexpr char SQLMemCannotDeleteRecordTemporaryMode[] = "Cannot delete record in temporary mode";
inline constexpr char SQLMemCopyTableFieldNulled[] = "Error copying table. Record #%d, field '%s' was copied with Null value due to error: %s\r\n";
inline constexpr char SQLMemCopyTableRecordSkipped[] = "Error copying table. Record #%d was not imported due to error: %s\r\n";
inline constexpr char SQLMemRestructureCannotCreateStructure[] = "Error - %s table '%s' failed. Cannot create structure for new table due to error: \r\n%s\r\n";
inline constexpr char SQLMemRestructureCannotCreateTemporary[] = "Error - %s table '%s' failed. Cannot create temporary table '%s' due to error: \r\n%s\r\n";
inline constexpr char SQLMemRestructureCannotOpenTemporary[] = "Error - %s table '%s' failed. Cannot open temporary table '%s' due to error: \r\n%s\r\n";
inline constexpr char SQLMemRestructureCannotOpenSource[] = "Error - %s table '%s' failed. Cannot open source table due to error: \r\n%s\r\n";
inline constexpr char SQLMemRestructureCannotCopyRecords[] = "Error - %s table '%s' failed. Cannot copy records to temporary table due to error: \r\n%s\r\n";
inline constexpr char SQLMemRestructureCannotRecreateForeignKeys[] = "Error - %s table '%s' failed. Cannot recreate foreign keys referencing this table due to error: \r\n%s\r\n";
inline constexpr char SQLMemErrorUpdatingRecord[] = "Error updating record: ";
inline constexpr char SQLMemErrorDeletingRecord[] = "Error deleting record: ";
inline constexpr char SQLMemCannotRetrieveRecord[] = "Cannot retreive record";
inline constexpr char SQLMemDatasetNotInInsertOrEdit[] = "Dataset is not in insert or edit mode";
inline constexpr char SQLMemDatasetNotOpened[] = "Dataset is not opened";
inline constexpr char SQLMemDatasetReadOnly[] = "Dataset is in read only mode";
inline constexpr char SQLMemErrorAddingRecord[] = "Error adding record, table name = %s, InMemory = %s, Temporary = %s";
inline constexpr char SQLMemDeleteRecordModifiedByOther[] = "Error deleting record - record was modified by other process";
inline constexpr char SQLMemDeleteRecordDeletedByOther[] = "Error deleting record - record was deleted by other process";
inline constexpr char SQLMemCannotOpenTableOrSubQuery[] = "Cannot open table or sub-query. \r\nTableName = %s\r\nDatabaseName = %s\r\nSessionName = %s\r\nInMemory = %d\r\nQuery SQL: \r\n%s\r\nError: \r\n%s";
inline constexpr char SQLMemCannotAccessIndexField[] = "Cannot access index field '%s'";
inline constexpr char SQLMemFieldIndexOutOfRange[] = "Field index out of range";
inline constexpr char SQLMemInvalidOrderByFieldNumber[] = "Invalid field number in ORDER BY clause. FieldNo = %d, number of fields = %d";
inline constexpr char SQLMemDatasetNotInEditOrInsert[] = "Dataset not in edit or insert mode";
inline constexpr char SQLMemErrorInsertingRecord[] = "Error inserting record: ";
inline constexpr char SQLMemErrorEditingRecord[] = "Error editing record: ";
inline constexpr char SQLMemAmbiguousFieldReference[] = "Ambiguous field reference to '%s'";
inline constexpr char SQLMemFieldNotInGroupBy[] = "Field is not included in GROUP BY list. Table name = '%s', Field name = '%s', FieldNo = %d, Found field name = '%s'";
inline constexpr char SQLMemJoinFieldsSameTable[] = "Both join fields are from the same table. Field1 = '%s', Field2 = '%s', No1 = %d, No2 = %d.";
inline constexpr char SQLMemEmptyFieldList[] = "Empty field list, item count = %d";
inline constexpr char SQLMemInvalidJoinField[] = "Invalid field for join operation. Table name = '%s', FieldName = '%s', i = %d, FieldExists = %d";
inline constexpr char SQLMemCannotFindIndex[] = "Cannot find index %s";
inline constexpr char SQLMemCannotAccessHiddenField[] = "Cannot access hidden field: table name = %s, field name = %s, display name = %s, FieldNo = %d";
inline constexpr char SQLMemInvalidFieldLink[] = "Invalid field link: table name = %s, FieldNo = %d";
inline constexpr char SQLMemCopyAbortedAtRecord[] = "Cannot retieve record #%d, operation aborted. %d records were successfully copied\r\n";
inline constexpr char SQLMemCannotRetrieveFirstRecord[] = "Cannot retrieve first record";
inline constexpr char SQLMemOperationAborted[] = "Operation aborted";
inline constexpr char SQLMemTableDoesNotExist[] = "Table '%s' does not exist";
inline constexpr char SQLMemExistsKeywordExpected[] = "'EXISTS' keyword expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemSQLProcessorSwitchedOff[] = "Error - SQL processor is switched off by compiler directives";
inline constexpr char SQLMemRepairCannotInsertRecord[] = "Error during table repairing. Cannot insert recird, table:";
inline constexpr char SQLMemRepairCannotGetRecordsFromFirst[] = "Error during table repairing. Cannot get records from first, table: ";
inline constexpr char SQLMemRepairCannotGetRecordsFromLast[] = "Error during table repairing. Cannot get records from last, table: ";
inline constexpr char SQLMemRepairCannotCreateTable[] = "Error - repair table failed. Cannot create new table: ";
inline constexpr char SQLMemCannotCreateCursor[] = "Error - cannot create cursor";
inline constexpr char SQLMemInSubQueryNoArgument[] = "Error parsing subquery with IN - no argumnet passed";
inline constexpr char SQLMemSubqueryReturnsNoRows[] = "Subquery returns no rows";
inline constexpr char SQLMemSubqueryReturnsMultipleRows[] = "Subquery returns multiple rows";
inline constexpr char SQLMemForeignKeyNoColumns[] = "Error - no columns specified in foreign key definition, key name = %s, reference table name = %s";
inline constexpr char SQLMemCannotFindForeignKey[] = "Cannot find foreign key '%s'";
inline constexpr char SQLMemInvalidIndexCount[] = "Invalid index count = %d";
inline constexpr char SQLMemDatabaseReadOnly[] = "Error - database is in read only mode";
inline constexpr char SQLMemInsertFromSelectFailed[] = "Error - INSERT from SELECT failed, table name = %s, error log: %s";
inline constexpr char SQLMemBLOBFormatExpected[] = "BLOB value format expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemBLOBConstantExpected[] = "Const BLOB value as quoted string expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemCannotConvertBLOBValue[] = "Error - cannot convert BLOB value \"%s\", format = %d";
inline constexpr char SQLMemNoChildrenInNode[] = "Error - no children in expression node";
inline constexpr char SQLMemIntoBeforeFrom[] = "INTO clause should be before FROM, line %d, column %d";
inline constexpr char SQLMemNotKeywordExpected[] = "'NOT' keyword expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemUnknownError[] = "Unknown error";
inline constexpr char SQLMemEmptyFieldDisplayName[] = "Error - empty field display name, table name = %s, field name = %s, field no = %d";
inline constexpr char SQLMemConstraintNameExpected[] = "Constraint name expected, but '%s' found at line %d, column %d";
inline constexpr char SQLMemUnknownTable[] = "Unknown table";
inline constexpr char SQLMemInsertBlockedByEvent[] = "Insert record is blocked by database event";
inline constexpr char SQLMemUpdateBlockedByEvent[] = "Update record is blocked by database event";
inline constexpr char SQLMemDeleteBlockedByEvent[] = "Delete record is blocked by database event";
inline constexpr char SQLMemExecuteScriptBlockedByEvent[] = "Execute SQL script is blocked by database event";
inline constexpr char SQLMemCannotOpenDatabase[] = "Cannot open database '%s'";

struct TSQLMemMessage {
  const char* name;  // the constant's name, e.g. "SQLMemNilPointer"
  const char* text;
};

// The whole table in its fixed order: 329 entries, six texts appear twice.
std::span<const TSQLMemMessage> SQLMemMessages();

// ---- SQL keywords ----
// 295 upper-case words; a keyword's number is its position. The lexer upper-cases a word before it
// asks, so the lookup itself is exact.
inline constexpr Integer SQLKeywordCount = 295;
Integer FindSQLKeyword(std::string_view word);  // the keyword number, -1 when the word is no keyword
const char* SQLKeyword(Integer number);         // raises ERangeError outside 0..294

// ---- Page kinds ----
enum TSQLMemPageTypeID : Integer {
  PageTypeIDUnknown = 0,
  PageTypeIDEmpty = 1,
  PageTypeIDGAM = 2,
  PageTypeIDSGAM = 3,
  PageTypeIDPFS = 4,
  PageTypeIDFileSystemDirectory = 5,
  PageTypeIDActiveSessionList = 6,
  PageTypeIDTableList = 7,
  PageTypeIDTablePFSMap = 8,
  PageTypeIDTableLocks = 9,
  PageTypeIDTableDataSmall = 10,
  PageTypeIDTableDataLarge = 11,
  PageTypeIDTableRows = 12,
  PageTypeIDTablePFS = 13,
  SQLMemPageTypeIDTableMetadata = 14,
  SQLMemPageTypeIDTableMostUpdated = 15,
};

// ---- Shared strings of the lexer and the local engine ----
inline constexpr char SQLMemLF[] = "\n";
inline constexpr char SQLMemCR[] = "\r";
inline constexpr char SQLMemCRLF[] = "\r\n";
inline constexpr char SQLMemTab[] = "\t";
