#include "app/Terminal.h"

#include <QString>

#include <windows.h>
#include <shellapi.h>

namespace velmora {

QStringList programArguments(int, const char *const *)
{
    QStringList arguments;
    int count = 0;
    if (wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments << QString::fromWCharArray(words[i]);
        LocalFree(words);
    }
    return arguments;
}

void printOnTerminal(const std::string &text, bool error)
{
    const DWORD which = error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE out = GetStdHandle(which);
    // Redirected to a file or a pipe: the handle is there, and takes the UTF-8 bytes as they are.
    if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_CHAR) {
        DWORD written = 0;
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // The console of the command prompt that started the program, if one did. From Explorer
    // there is none, and nothing is shown.
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        // The console shows UTF-16 whatever its code page, so Hangul reads right.
        const std::wstring wide = QString::fromStdString(text).toStdWString();
        DWORD written = 0;
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        CloseHandle(out);
    }
    FreeConsole();
}

} // namespace velmora
