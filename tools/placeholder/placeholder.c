/* Stand-in for the sample product's programs: one binary installed under
 * several names, which tells by its own file name which one it is. */
#include <windows.h>

static const char PLACEHOLDER_TEXT[] = "Placeholder program of the sample payload.";

static const struct {
    const char *file_name;
    const char *product;
} PRODUCTS[] = {
    {"TVK.exe", "Tavik Chinese Input Engine"},
    {"Mereda.exe", "Mereda"},
    {"TVKUnInstall.exe", "Tavik UnInstall"},
    {"KeylaShow.exe", "Keyla Show"},
    {"ChineseTypingTutorial.exe", "Chinese Typing Tutorial"},
};

static const char *g_product = "Tavik";
static HFONT g_title_font;

static const char *product_for_this_file(void)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return "Tavik";
    const char *base = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            base = p + 1;
    /* Windows file names ignore case, so the match does too. */
    for (size_t i = 0; i < sizeof(PRODUCTS) / sizeof(PRODUCTS[0]); ++i)
        if (lstrcmpiA(base, PRODUCTS[i].file_name) == 0)
            return PRODUCTS[i].product;
    return "Tavik";
}

static void paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    SetBkMode(dc, TRANSPARENT);

    RECT title = client;
    title.top = 20;
    title.bottom = client.bottom / 2;
    HGDIOBJ old = SelectObject(dc, g_title_font ? (HGDIOBJ)g_title_font : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, g_product, -1, &title, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

    RECT body = client;
    body.top = client.bottom / 2;
    body.bottom = client.bottom - 20;
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, PLACEHOLDER_TEXT, -1, &body, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(window, &ps);
}

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)previous;
    (void)command_line;
    g_product = product_for_this_file();
    g_title_font =
        CreateFontA(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Shell Dlg");

    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                   GetSystemMetrics(SM_CYSMICON), 0);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TavikPlaceholder";
    if (!RegisterClassExA(&wc))
        return 1;

    HWND window = CreateWindowExA(0, wc.lpszClassName, g_product,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 420, 170, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (g_title_font)
        DeleteObject(g_title_font);
    return (int)msg.wParam;
}
