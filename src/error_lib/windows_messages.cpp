// English system texts of the Windows error values this program can report,
// each with its " Code: N (0xH)" suffix. Rows stay in ascending code order.
#include "error_lib/windows_messages.h"

namespace win32 {

namespace {

struct message_row {
  uint32_t code;
  const char* text;
};

const message_row rows[] = {
    {0, "The operation completed successfully. Code: 0 (0x0)"},
    {1, "Incorrect function. Code: 1 (0x1)"},
    {2, "The system cannot find the file specified. Code: 2 (0x2)"},
    {3, "The system cannot find the path specified. Code: 3 (0x3)"},
    {4, "The system cannot open the file. Code: 4 (0x4)"},
    {5, "Access is denied. Code: 5 (0x5)"},
    {6, "The handle is invalid. Code: 6 (0x6)"},
    {8, "Not enough memory resources are available to process this command. Code: 8 (0x8)"},
    {11, "An attempt was made to load a program with an incorrect format. Code: 11 (0xB)"},
    {13, "The data is invalid. Code: 13 (0xD)"},
    {17, "The system cannot move the file to a different disk drive. Code: 17 (0x11)"},
    {18, "There are no more files. Code: 18 (0x12)"},
    {19, "The media is write protected. Code: 19 (0x13)"},
    {31, "A device attached to the system is not functioning. Code: 31 (0x1F)"},
    {32, "The process cannot access the file because it is being used by another process. Code: 32 (0x20)"},
    {38, "Reached the end of the file. Code: 38 (0x26)"},
    {39, "The disk is full. Code: 39 (0x27)"},
    {50, "The request is not supported. Code: 50 (0x32)"},
    {80, "The file exists. Code: 80 (0x50)"},
    {87, "The parameter is incorrect. Code: 87 (0x57)"},
    {109, "The pipe has been ended. Code: 109 (0x6D)"},
    {112, "There is not enough space on the disk. Code: 112 (0x70)"},
    {122, "The data area passed to a system call is too small. Code: 122 (0x7A)"},
    {123, "The filename, directory name, or volume label syntax is incorrect. Code: 123 (0x7B)"},
    {126, "The specified module could not be found. Code: 126 (0x7E)"},
    {145, "The directory is not empty. Code: 145 (0x91)"},
    {183, "Cannot create a file when that file already exists. Code: 183 (0xB7)"},
    {206, "The filename or extension is too long. Code: 206 (0xCE)"},
    {223, "The file size exceeds the limit allowed and cannot be saved. Code: 223 (0xDF)"},
    {258, "The wait operation timed out. Code: 258 (0x102)"},
    {267, "The directory name is invalid. Code: 267 (0x10B)"},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2. Code: 317 (0x13D)"},
    {1117, "The request could not be performed because of an I/O device error. Code: 1117 (0x45D)"},
    {1460, "This operation returned because the timeout period expired. Code: 1460 (0x5B4)"},
    {1815, "The specified resource language ID cannot be found in the image file. Code: 1815 (0x717)"},
    {1921, "The name of the file cannot be resolved by the system. Code: 1921 (0x781)"},
    {12002, "The operation timed out Code: 12002 (0x2EE2)"},
    {12007, "The server name or address could not be resolved Code: 12007 (0x2EE7)"},
    {12029, "A connection with the server could not be established Code: 12029 (0x2EFD)"},
    {12180, "The HTTP proxy auto-detection service failed to detect a proxy Code: 12180 (0x2F94)"},
};

}  // namespace

const char* find_windows_message(uint32_t code) {
  for (const auto& row : rows) {
    if (row.code == code) return row.text;
  }
  return nullptr;
}

}  // namespace win32
