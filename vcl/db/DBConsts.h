// The dataset framework's error texts and the two routines that raise them. Every framework error is an
// EDatabaseError; when it concerns a named component (a dataset, session or database), the message starts
// with that name: "Table1: Cannot perform this operation on an open dataset".
#pragma once
#include <initializer_list>
#include <string_view>
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

class TComponent;

// Raises EDatabaseError with `message`, prefixed by "<Name>: " when `component` is given and has a name.
[[noreturn]] void DatabaseError(std::string_view message, const TComponent* component = nullptr);
// Formats first (a bad format or argument raises Format's EConvertError instead), then as DatabaseError.
[[noreturn]] void DatabaseErrorFmt(std::string_view format, std::initializer_list<TVarRec> args,
                                   const TComponent* component = nullptr);

// ---- datasets ----
inline constexpr char SDataSetOpen[] = "Cannot perform this operation on an open dataset";
inline constexpr char SDataSetClosed[] = "Cannot perform this operation on a closed dataset";
inline constexpr char SDataSetEmpty[] = "Cannot perform this operation on an empty dataset";
inline constexpr char SDataSetReadOnly[] = "Cannot modify a read-only dataset";
inline constexpr char SNotEditing[] = "Dataset not in edit or insert mode";
inline constexpr char SCircularDataLink[] = "Circular datalinks are not allowed";
inline constexpr char SDataSourceChange[] = "DataSource cannot be changed";
inline constexpr char SMissingDataSet[] = "Missing DataSet property";
inline constexpr char SRecordNotFound[] = "Record not found";
inline constexpr char SNoTableName[] = "Missing TableName property";
inline constexpr char SDuplicateName[] = "Duplicate name '%s' in %s";  // name, class of the list

// ---- fields ----
inline constexpr char SFieldNotFound[] = "Field '%s' not found";
inline constexpr char SFieldNameMissing[] = "Field name missing";
inline constexpr char SDuplicateFieldName[] = "Duplicate field name '%s'";
inline constexpr char SFieldIndexError[] = "Field index out of range";
inline constexpr char SUnknownFieldType[] = "Field '%s' is of an unknown type";
inline constexpr char SBadFieldType[] = "Field '%s' is of an unsupported type";
inline constexpr char SInvalidFieldSize[] = "Invalid field size";
inline constexpr char SInvalidFieldKind[] = "Invalid FieldKind";
inline constexpr char SFieldValueError[] = "Invalid value for field '%s'";
inline constexpr char SFieldRequired[] = "Field '%s' must have a value";
inline constexpr char SFieldReadOnly[] = "Field '%s' cannot be modified";
inline constexpr char SFieldAccessError[] = "Cannot access field '%s' as type %s";
inline constexpr char SFieldTypeMismatch[] = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr char SFieldSizeMismatch[] = "Size mismatch for field '%s', expecting: %d actual: %d";
inline constexpr char SFieldOutOfRange[] = "Value of field '%s' is out of range";
inline constexpr char SFieldRangeError[] = "%g is not a valid value for field '%s'. The allowed range is %g to %g";
inline constexpr char SDataSetMissing[] = "Field '%s' has no dataset";
inline constexpr char SInvalidCalcType[] = "Field '%s' cannot be a calculated or lookup field";
inline constexpr char SLookupInfoError[] = "Lookup information for field '%s' is incomplete";
inline constexpr char SInvalidVarByteArray[] = "Invalid variant type or size for field '%s'";
inline constexpr char SNotIndexField[] = "Field '%s' is not indexed and cannot be modified";
inline constexpr char SInvalidIntegerValue[] = "'%s' is not a valid integer value for field '%s'";
inline constexpr char SInvalidFloatValue[] = "'%s' is not a valid floating point value for field '%s'";
inline constexpr char SInvalidBoolValue[] = "'%s' is not a valid boolean value for field '%s'";
// Display texts of Boolean values.
inline constexpr char STextTrue[] = "True";
inline constexpr char STextFalse[] = "False";

// ---- indexes ----
inline constexpr char SIndexNotFound[] = "Index '%s' not found";
inline constexpr char SNoIndexForFields[] = "No index for fields '%s'";
inline constexpr char SIndexFieldMissing[] = "Cannot access index field '%s'";
inline constexpr char SDuplicateIndexName[] = "Duplicate index name '%s'";
inline constexpr char SNoFieldIndexes[] = "No index currently active";

// ---- parameters ----
inline constexpr char SParameterNotFound[] = "Parameter '%s' not found";
inline constexpr char SNoParameterValue[] = "No value for parameter '%s'";
inline constexpr char SNoParameterType[] = "No parameter type for parameter '%s'";

// ---- databases and sessions ----
inline constexpr char SDatabaseNameMissing[] = "Database name missing";
inline constexpr char SDatabaseOpen[] = "Cannot perform this operation on an open database";
inline constexpr char SDatabaseClosed[] = "Cannot perform this operation on a closed database";
inline constexpr char SDuplicateDatabaseName[] = "Duplicate database name '%s'";
inline constexpr char SSessionNameMissing[] = "Session name missing";
inline constexpr char SDuplicateSessionName[] = "Duplicate session name '%s'";
inline constexpr char SSessionActive[] = "Cannot perform this operation on an active session";
inline constexpr char SAutoSessionActive[] = "Cannot modify SessionName while AutoSessionName is enabled";
inline constexpr char SAutoSessionExclusive[] =
    "Cannot enable AutoSessionName property with more than one session on a form or data-module";
inline constexpr char SAutoSessionExists[] =
    "Cannot add a session to the form or data-module while session '%s' has AutoSessionName enabled";
