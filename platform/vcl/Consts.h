// The runtime's message texts, as the VCL words them. They are inline constants rather than exported
// data, so every module reads them without importing a variable from the package.
#pragma once

// Conversions and formatting.
inline constexpr const char SInvalidInteger[] = "'%s' is not a valid integer value";
inline constexpr const char SInvalidFloat[] = "'%s' is not a valid floating point value";
inline constexpr const char SInvalidDate[] = "'%s' is not a valid date";
inline constexpr const char SInvalidTime[] = "'%s' is not a valid time";
inline constexpr const char SInvalidDateTime[] = "'%s' is not a valid date and time";
inline constexpr const char SInvalidFormat[] = "Format '%s' invalid or incompatible with argument";
inline constexpr const char SArgumentMissing[] = "No argument for format '%s'";
inline constexpr const char SDateEncodeError[] = "Invalid argument to date encode";
inline constexpr const char STimeEncodeError[] = "Invalid argument to time encode";
inline constexpr const char SRangeError[] = "Range check error";
inline constexpr const char SStringIndexError[] = "String index %d out of range (1..%d)";
inline constexpr const char SOutOfMemory[] = "Out of memory";
inline constexpr const char SInvalidPointer[] = "Invalid pointer operation";
inline constexpr const char SAbortError[] = "Operation aborted";
inline constexpr const char SAbstractError[] = "Abstract Error";
inline constexpr const char SOutOfResources[] = "Out of system resources";
inline constexpr const char SRegisterError[] = "Invalid component registration";

// Operating system and OLE.
inline constexpr const char SWin32Error[] = "Win32 Error.  Code: %d.\n%s";
inline constexpr const char SUnkWin32Error[] = "A Win32 API function failed";
inline constexpr const char SOSError[] = "System Error.  Code: %d.\n%s";
inline constexpr const char SUnkOSError[] = "A call to an OS function failed";
inline constexpr const char SOleError[] = "OLE error %.8x";
inline constexpr const char SThreadCreateError[] = "Thread creation error: %s";

// Variants.
inline constexpr const char SInvalidVarCast[] = "Invalid variant type conversion";
inline constexpr const char SInvalidVarOp[] = "Invalid variant operation";
inline constexpr const char SVarArrayCreate[] = "Error creating variant array";
inline constexpr const char SVarArrayBounds[] = "Variant array index out of bounds";
inline constexpr const char SVarNotArray[] = "Variant is not an array";
inline constexpr const char SVarArrayLocked[] = "Variant array is locked";

// Lists, streams and component streaming.
inline constexpr const char SListIndexError[] = "List index out of bounds (%d)";
inline constexpr const char SListCapacityError[] = "List capacity out of bounds (%d)";
inline constexpr const char SListCountError[] = "List count out of bounds (%d)";
inline constexpr const char SDuplicateString[] = "String list does not allow duplicates";
inline constexpr const char SSortedListError[] = "Operation not allowed on sorted string list";
inline constexpr const char SReadError[] = "Stream read error";
inline constexpr const char SWriteError[] = "Stream write error";
inline constexpr const char SMemoryStreamError[] = "Out of memory while expanding memory stream";
inline constexpr const char SFCreateError[] = "Cannot create file %s";
inline constexpr const char SFOpenError[] = "Cannot open file %s";
inline constexpr const char SInvalidImage[] = "Invalid stream format";
inline constexpr const char SResNotFound[] = "Resource %s not found";
inline constexpr const char SClassNotFound[] = "Class %s not found";
inline constexpr const char SDuplicateClass[] = "A class named %s already exists";
inline constexpr const char SDuplicateName[] = "A component named %s already exists";
inline constexpr const char SInvalidName[] = "''%s'' is not a valid component name";
inline constexpr const char SInvalidProperty[] = "Invalid property value";
inline constexpr const char SInvalidPropertyValue[] = "Invalid property value";
inline constexpr const char SInvalidPropertyPath[] = "Invalid property path";
inline constexpr const char SInvalidPropertyType[] = "Invalid property type: %s";
inline constexpr const char SInvalidPropertyElement[] = "Invalid property element: %s";
inline constexpr const char SUnknownProperty[] = "Property %s does not exist";
inline constexpr const char SReadOnlyProperty[] = "Property is read-only";
inline constexpr const char SPropertyException[] = "Error reading %s%s%s: %s";
inline constexpr const char SAncestorNotFound[] = "Ancestor for '%s' not found";

// Graphics.
inline constexpr const char SInvalidBitmap[] = "Bitmap image is not valid";
inline constexpr const char SInvalidIcon[] = "Icon image is not valid";
inline constexpr const char SInvalidMetafile[] = "Metafile is not valid";
inline constexpr const char SScanLine[] = "Scan line index out of range";
inline constexpr const char SUnknownClipboardFormat[] = "Unsupported clipboard format";
inline constexpr const char SVBitmaps[] = "Bitmaps";
inline constexpr const char SVIcons[] = "Icons";
inline constexpr const char SVMetafiles[] = "Metafiles";
inline constexpr const char SVEnhMetafiles[] = "Enhanced Metafiles";
inline constexpr const char SUnknownExtension[] = "Unknown picture file extension (.%s)";
inline constexpr const char SChangeIconSize[] = "Cannot change the size of an icon";
inline constexpr const char SNoCanvasHandle[] = "Canvas does not allow drawing";

// Windows and controls.
inline constexpr const char SCannotFocus[] = "Cannot focus a disabled or invisible window";
inline constexpr const char SParentRequired[] = "Control '%s' has no parent window";
inline constexpr const char SMenuIndexError[] = "Menu index out of range";
inline constexpr const char SWindowDCError[] = "Error creating window device context";
inline constexpr const char SWindowClass[] = "Error creating window class";

// Registry.
inline constexpr const char SRegCreateFailed[] = "Failed to create key %s";
inline constexpr const char SRegGetDataFailed[] = "Failed to get data for '%s'";
inline constexpr const char SRegSetDataFailed[] = "Failed to set data for '%s'";
inline constexpr const char SInvalidRegType[] = "Invalid data type for '%s'";

// Grids.
inline constexpr const char SGridIndexOutOfRange[] = "Grid index out of range";
inline constexpr const char SFixedColTooBig[] = "Fixed column count must be less than column count";
inline constexpr const char SFixedRowTooBig[] = "Fixed row count must be less than row count";
inline constexpr const char SInvalidStringGridOp[] = "Cannot insert or delete rows from grid";
