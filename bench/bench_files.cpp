// Clock, scratch folders and the results file of the benchmark program.
#include "bench.h"

double now_seconds(void)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return (double)count.QuadPart / (double)frequency.QuadPart;
}

int fresh_folder(const std::string &path)
{
    remove_tree(path);
    return CreateDirectoryA(path.c_str(), NULL) ? 1 : 0;
}

int count_files(const std::string &folder, unsigned long long *total_bytes)
{
    int files = 0;
    *total_bytes = 0;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        // The run's record of what it made is no installed file.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            lstrcmpiA(found.cFileName, "TVKInstall.rec") == 0)
            continue;
        files++;
        *total_bytes += ((unsigned long long)found.nFileSizeHigh << 32) | found.nFileSizeLow;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return files;
}

void record(FILE *out, const char *group, const std::string &name, int rep, double value)
{
    fprintf(out, "%s\t%s\t%d\t%.9g\n", group, name.c_str(), rep, value);
    fflush(out);
}
