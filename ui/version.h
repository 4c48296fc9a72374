#pragma once

// The program's version, defined here only. The version record below, the
// manifest's assembly version, CMake's project version and the names of the
// release packages (scripts/package) all follow these three numbers;
// cmake/QuillomatVersion.cmake stops the build when a text below disagrees.
#define QUILLOMAT_VERSION_MAJOR 2
#define QUILLOMAT_VERSION_MINOR 0
#define QUILLOMAT_VERSION_PATCH 1

// The version record in the form the program has always shown: four numbers
// with 0 in third place, the text major.minor.patch with the minor number in
// two digits and the patch number in four, and the description.
#define QUILLOMAT_VERSION_NUMBERS \
  QUILLOMAT_VERSION_MAJOR, QUILLOMAT_VERSION_MINOR, 0, QUILLOMAT_VERSION_PATCH
#define QUILLOMAT_VERSION_TEXT "2.00.0001"
#define QUILLOMAT_FILE_DESCRIPTION "Version 2.0.1 01.10.2004"
#define QUILLOMAT_PRODUCT_NAME "Quillomat"
#define QUILLOMAT_INTERNAL_NAME "Quillomat"
#define QUILLOMAT_ORIGINAL_FILENAME "Quillomat.exe"
