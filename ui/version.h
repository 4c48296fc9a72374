#pragma once

// The program's version, in the one place the version record reads it from.
#define QUILLOMAT_VERSION_NUMBERS 2, 0, 0, 1
#define QUILLOMAT_VERSION_TEXT "2.00.0001"
#define QUILLOMAT_FILE_DESCRIPTION "Version 2.0.1 01.10.2004"
#define QUILLOMAT_PRODUCT_NAME "Quillomat"
#define QUILLOMAT_INTERNAL_NAME "Quillomat"
#define QUILLOMAT_ORIGINAL_FILENAME "Quillomat.exe"
