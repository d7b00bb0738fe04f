// NxInfoW.exe: the windowed host, for the person at the customer's desk. The
// same core, catalogue and run as the console host (host/run), shown in one
// dialog: the categories as a tree with check boxes, the chosen plug-in's
// parameters, the result folder and packing, a progress bar with Cancel, the
// media questions as message boxes and a summary at the end.
//
// The core runs on a second thread while the window stays responsive; the
// window never touches the core while a run is under way, and a finished core
// is replaced by a freshly loaded one for the next run. Every record the window
// shows comes from host/src/WindowModel.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Session.h"
#include "WindowModel.h"
#include "resource.h"

namespace {

const UINT kProgressMessage = WM_APP + 1;  // lParam: const host::Progress*
const UINT kAskMessage = WM_APP + 2;       // lParam: const host::MediaQuestion*; result: host::MediaReply
const UINT kDoneMessage = WM_APP + 3;      // lParam: RunResult*, owned by the window from then on
const UINT kSyncTreeMessage = WM_APP + 4;  // lParam: the tree item whose check box was toggled
// Some tree versions empty every check box when they first paint: the marks
// are put in again once the window is up.
const UINT_PTR kShowChecksTimer = 1;

const char kCaption[] = "NoxInfo";
const char kDefaultFolder[] = "C:\\NoxResult";

// A sentence for a message box from a message of the host library.
std::string sentence(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  if (!text.empty() && text[text.size() - 1] != '.') text += '.';
  return text;
}

std::string coreFailureText(const host::CoreFailure& failure) {
  host::FailureContext context;
  context.console = false;
  return sentence("the plug-ins could not be loaded: " + host::explainFailure(failure.facts(), context)) +
         "\r\n\r\nFor support staff: " + host::errorRecordText(failure.facts());
}

// Loads the core; the failure in words when it cannot.
std::unique_ptr<host::Session> loadSession(std::string& failure) {
  try {
    return std::unique_ptr<host::Session>(new host::Session());
  } catch (const host::CoreFailure& e) {
    failure = coreFailureText(e);
  } catch (const std::exception& e) {
    failure = sentence(e.what());
  }
  return nullptr;
}

struct RunResult {
  bool ran = false;
  host::Outcome outcome;
  std::string failure;                  // the run could not begin
  std::unique_ptr<host::Session> next;  // the core for the next run
  std::string nextFailure;
};

struct Job {
  HWND dialog;
  std::unique_ptr<host::Session> session;
  host::RunRequest request;
  volatile LONG* cancel;
};

// The run's side of the window: every call comes from the run's thread and is
// handed to the window's thread, which answers before the run goes on.
class WindowView : public host::RunView {
 public:
  WindowView(HWND dialog, volatile LONG* cancel) : dialog_(dialog), cancel_(cancel) {}
  void showProgress(const host::Progress& progress) override {
    SendMessageA(dialog_, kProgressMessage, 0, reinterpret_cast<LPARAM>(&progress));
  }
  host::MediaReply askMedia(const host::MediaQuestion& question) override {
    return static_cast<host::MediaReply>(
        SendMessageA(dialog_, kAskMessage, 0, reinterpret_cast<LPARAM>(&question)));
  }
  bool cancelRequested() override { return *cancel_ != 0; }

 private:
  HWND dialog_;
  volatile LONG* cancel_;
};

DWORD WINAPI runJob(LPVOID parameter) {
  std::unique_ptr<Job> job(static_cast<Job*>(parameter));
  RunResult* result = new RunResult;
  WindowView view(job->dialog, job->cancel);
  try {
    result->outcome = job->session->run(job->request, view);
    result->ran = true;
  } catch (const std::exception& e) {
    result->failure = sentence(e.what());
  }
  // A core takes one snapshot: the next run gets a freshly loaded one.
  job->session.reset();
  result->next = loadSession(result->nextFailure);
  PostMessageA(job->dialog, kDoneMessage, 0, reinterpret_cast<LPARAM>(result));
  return 0;
}

struct TreeItem {
  HTREEITEM handle;
  size_t category;
  int plugin;  // -1: the category itself
};

struct App {
  HWND dialog = nullptr;
  HWND tree = nullptr;
  std::unique_ptr<host::Session> session;
  std::vector<host::CategoryChoice> categories;
  std::vector<host::PluginParameters> presets;
  std::vector<host::FormField> fields;
  std::vector<TreeItem> items;
  std::vector<size_t> shownFields;  // indexes into fields, in the order of their controls
  std::vector<HWND> fieldControls;
  host::RunControl run;
  host::OutputPlan plan;
  std::string document;
  volatile LONG cancel = 0;
  HANDLE thread = nullptr;
  bool closeWhenDone = false;
  std::string folderToOpen;
};

App g_app;

HWND item(int id) { return GetDlgItem(g_app.dialog, id); }

std::string textOf(HWND window) {
  int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(window, &text[0], length + 1);
  text.resize(static_cast<size_t>(lstrlenA(text.c_str())));
  return text;
}

void say(const std::string& text, UINT icon = MB_ICONWARNING) {
  MessageBoxA(g_app.dialog, text.c_str(), kCaption, MB_OK | icon);
}

bool isChecked(int id) { return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// ---- The category tree ----

bool modelChecked(const TreeItem& t) {
  const host::CategoryChoice& c = g_app.categories[t.category];
  return t.plugin < 0 ? c.selected : c.plugins[static_cast<size_t>(t.plugin)].selected;
}

bool treeChecked(const TreeItem& t) {
  LRESULT state =
      SendMessageA(g_app.tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(t.handle), TVIS_STATEIMAGEMASK);
  return ((state & TVIS_STATEIMAGEMASK) >> 12) == 2;
}

void showCheck(const TreeItem& t) {
  TVITEMA tv = {};
  tv.mask = TVIF_STATE;
  tv.hItem = t.handle;
  tv.stateMask = TVIS_STATEIMAGEMASK;
  tv.state = INDEXTOSTATEIMAGEMASK(modelChecked(t) ? 2 : 1);
  SendMessageA(g_app.tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

HTREEITEM addTreeItem(HTREEITEM parent, const std::string& label, size_t index, bool checked) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
  insert.item.pszText = const_cast<char*>(label.c_str());
  insert.item.lParam = static_cast<LPARAM>(index);
  insert.item.stateMask = TVIS_STATEIMAGEMASK;
  insert.item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(g_app.tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void fillTree() {
  SendMessageA(g_app.tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  g_app.items.clear();
  for (size_t c = 0; c < g_app.categories.size(); ++c) {
    const host::CategoryChoice& category = g_app.categories[c];
    HTREEITEM parent = addTreeItem(TVI_ROOT, category.name, g_app.items.size(), category.selected);
    g_app.items.push_back(TreeItem{parent, c, -1});
    for (size_t p = 0; p < category.plugins.size(); ++p) {
      HTREEITEM child =
          addTreeItem(parent, category.plugins[p].name, g_app.items.size(), category.plugins[p].selected);
      g_app.items.push_back(TreeItem{child, c, static_cast<int>(p)});
    }
    SendMessageA(g_app.tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
  }
}

// The tree toggles a check box itself (a click on it, or the space bar): the
// new mark of that item is taken into the selection, whose rules may change
// other boxes.
void syncTree(HTREEITEM toggled) {
  for (const TreeItem& t : g_app.items) {
    if (t.handle == toggled) host::setChecked(g_app.categories, t.category, t.plugin, treeChecked(t));
  }
  for (const TreeItem& t : g_app.items) showCheck(t);
}

// ---- The chosen plug-in's fields ----

void clearFields() {
  for (HWND control : g_app.fieldControls) DestroyWindow(control);
  g_app.fieldControls.clear();
  g_app.shownFields.clear();
}

HWND addControl(const char* type, const std::string& text, DWORD style, int id, RECT units) {
  MapDialogRect(g_app.dialog, &units);
  DWORD exStyle = lstrcmpA(type, "EDIT") == 0 ? WS_EX_CLIENTEDGE : 0;
  HWND control =
      CreateWindowExA(exStyle, type, text.c_str(), WS_CHILD | WS_VISIBLE | style, units.left, units.top,
                      units.right - units.left, units.bottom - units.top, g_app.dialog,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(control, WM_SETFONT, SendMessageA(g_app.dialog, WM_GETFONT, 0, 0), TRUE);
  g_app.fieldControls.push_back(control);
  return control;
}

// Shows the fields of the plug-in behind tree item `index` (none for a category).
void showFields(size_t index) {
  clearFields();
  const char* note = "Choose a plug-in in the list to see what it asks for.";
  int parameters = -1;
  if (index < g_app.items.size() && g_app.items[index].plugin >= 0) {
    const TreeItem& t = g_app.items[index];
    parameters = g_app.categories[t.category].plugins[static_cast<size_t>(t.plugin)].parameters;
    note = "This plug-in asks for nothing.";
  }
  std::vector<size_t> shown =
      parameters < 0 ? std::vector<size_t>() : host::fieldsOf(g_app.fields, static_cast<size_t>(parameters));
  ShowWindow(item(IDC_NO_PARAMETERS), shown.empty() ? SW_SHOW : SW_HIDE);
  SetWindowTextA(item(IDC_NO_PARAMETERS), note);
  bool editing = g_app.run.controls().editing;
  const LONG left = 347, right = 486;  // inside the group box
  LONG top = 20;
  for (size_t n = 0; n < shown.size(); ++n) {
    const host::FormField& field = g_app.fields[shown[n]];
    int id = IDC_FIELD_BASE + 2 * static_cast<int>(n);
    HWND input;
    if (field.kind == host::FieldKind::Flag) {
      input = addControl("BUTTON", field.label, BS_AUTOCHECKBOX | WS_TABSTOP, id + 1,
                         RECT{left, top, right, top + 10});
      SendMessageA(input, BM_SETCHECK, field.text == "1" ? BST_CHECKED : BST_UNCHECKED, 0);
      top += 14;
    } else {
      std::string label =
          field.label + (field.kind == host::FieldKind::Hosts ? " (separate several by commas)" : "");
      if (!field.help.empty()) label += "\n" + field.help;
      LONG lines = 1;
      for (char c : label) lines += c == '\n' ? 1 : 0;
      lines += static_cast<LONG>(label.size() / 40);  // long lines wrap
      addControl("STATIC", label, SS_NOPREFIX, id, RECT{left, top, right, top + 9 * lines});
      top += 9 * lines + 1;
      DWORD style = ES_AUTOHSCROLL | WS_TABSTOP | (field.kind == host::FieldKind::Password ? ES_PASSWORD : 0);
      input = addControl("EDIT", field.text, style, id + 1, RECT{left, top, right, top + 12});
      top += 16;
    }
    EnableWindow(input, editing);
    g_app.shownFields.push_back(shown[n]);
  }
}

void fieldChanged(int id, int code) {
  int offset = id - IDC_FIELD_BASE;
  if (offset < 0 || offset % 2 != 1 || static_cast<size_t>(offset / 2) >= g_app.shownFields.size()) return;
  host::FormField& field = g_app.fields[g_app.shownFields[static_cast<size_t>(offset / 2)]];
  HWND control = item(id);
  if (field.kind == host::FieldKind::Flag && code == BN_CLICKED) {
    field.text = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
  } else if (field.kind != host::FieldKind::Flag && code == EN_CHANGE) {
    field.text = textOf(control);
  }
}

// ---- Result folder, packing and the controls' state ----

void updateControls() {
  host::ControlState state = g_app.run.controls();
  bool loaded = g_app.session != nullptr || g_app.thread != nullptr;
  EnableWindow(item(IDC_START), state.start && g_app.session != nullptr);
  EnableWindow(item(IDC_STOP), state.cancel);
  SetWindowTextA(item(IDC_STOP), state.cancelLabel.c_str());
  EnableWindow(item(IDC_OPEN), state.openFolder && !g_app.folderToOpen.empty());
  bool editing = state.editing && loaded;
  for (int id : {IDC_TREE, IDC_SAVE, IDC_FOLDER, IDC_BROWSE, IDC_PACK_EXE, IDC_PACK_FOLDER, IDC_PACK_SPLIT})
    EnableWindow(item(id), editing);
  bool split = editing && isChecked(IDC_PACK_SPLIT);
  EnableWindow(item(IDC_SPLIT_SIZE), split);
  LRESULT choice = SendMessageA(item(IDC_SPLIT_SIZE), CB_GETCURSEL, 0, 0);
  bool other = choice >= 0 && static_cast<size_t>(choice) < host::splitChoices().size() &&
               host::splitChoices()[static_cast<size_t>(choice)].kib == 0;
  EnableWindow(item(IDC_SPLIT_KIB), split && other);
  for (HWND control : g_app.fieldControls) EnableWindow(control, editing);
}

host::OutputChoice outputChoice() {
  host::OutputChoice choice;
  choice.folder = textOf(item(IDC_FOLDER));
  choice.packing = isChecked(IDC_PACK_FOLDER)  ? host::Packing::Folder
                   : isChecked(IDC_PACK_SPLIT) ? host::Packing::Split
                                               : host::Packing::SelfExtracting;
  LRESULT split = SendMessageA(item(IDC_SPLIT_SIZE), CB_GETCURSEL, 0, 0);
  choice.split = split < 0 ? host::splitChoices().size() : static_cast<size_t>(split);
  choice.otherKiB = textOf(item(IDC_SPLIT_KIB));
  return choice;
}

void browse() {
  BROWSEINFOA info = {};
  char chosen[MAX_PATH] = {};
  info.hwndOwner = g_app.dialog;
  info.pszDisplayName = chosen;
  info.lpszTitle = "The folder the result goes to:";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST list = SHBrowseForFolderA(&info);
  if (!list) return;
  if (SHGetPathFromIDListA(list, chosen)) SetWindowTextA(item(IDC_FOLDER), chosen);
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator))) {
    allocator->Free(list);
    allocator->Release();
  }
}

void saveSelection() {
  if (!g_app.session) return;
  host::Catalogue& catalogue = g_app.session->catalogue();
  host::copySelection(g_app.categories, catalogue.categories());
  std::string file = host::settingsFile();
  try {
    catalogue.saveSelection(file);
    WritePrivateProfileStringA("General", "SavePath", textOf(item(IDC_FOLDER)).c_str(), file.c_str());
    SetWindowTextA(item(IDC_STATUS), ("The selection is saved in " + file + ".").c_str());
  } catch (const std::exception& e) {
    say(sentence(e.what()));
  }
}

// ---- A run ----

void startRun() {
  if (!g_app.session || !g_app.run.controls().start) return;
  try {
    g_app.plan = host::outputPlan(outputChoice());
  } catch (const std::invalid_argument& e) {
    say(e.what());
    return;
  }
  host::Catalogue& catalogue = g_app.session->catalogue();
  host::copySelection(g_app.categories, catalogue.categories());
  catalogue.parameters() = g_app.presets;
  try {
    catalogue.applySettings(host::fieldSettings(g_app.presets, g_app.fields));
  } catch (const std::invalid_argument& e) {
    say(sentence(e.what()));
    return;
  }
  if (catalogue.plan().empty() &&
      MessageBoxA(
          g_app.dialog,
          "No plug-in is chosen: the result will hold only the date and the versions of this program.\n\n"
          "Take the snapshot anyway?",
          kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  host::RunRequest request;
  request.folder = g_app.plan.folder;
  request.compress = g_app.plan.compress;
  request.splitKiB = g_app.plan.splitKiB;
  request.console = false;
  try {
    g_app.session->check(request);
  } catch (const std::invalid_argument& e) {
    say(sentence(e.what()));
    return;
  }

  g_app.run.start();
  g_app.cancel = 0;
  g_app.folderToOpen.clear();
  SetWindowTextA(item(IDC_SUMMARY), "");
  SetWindowTextA(item(IDC_COUNT), "");
  SetWindowTextA(item(IDC_STATUS), "Starting...");
  SendMessageA(item(IDC_PROGRESS), PBM_SETPOS, 0, 0);
  Job* job = new Job{g_app.dialog, std::move(g_app.session), request, &g_app.cancel};
  DWORD id = 0;
  g_app.thread = CreateThread(nullptr, 0, runJob, job, 0, &id);
  if (!g_app.thread) {
    g_app.session = std::move(job->session);
    delete job;
    g_app.run.finish(false);
    say("The snapshot could not be started: " + host::systemErrorWords(GetLastError()) + ".");
  }
  updateControls();
}

void cancelRun() {
  if (!g_app.run.requestCancel()) return;
  InterlockedExchange(const_cast<LONG*>(&g_app.cancel), 1);
  SetWindowTextA(item(IDC_STATUS), "Stopping after the running step...");
  updateControls();
}

void showProgress(const host::Progress& progress) {
  host::ProgressView view = host::progressView(progress, g_app.plan, g_app.document);
  SendMessageA(item(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(view.permille), 0);
  if (!g_app.run.cancelRequested()) SetWindowTextA(item(IDC_STATUS), view.status.c_str());
  SetWindowTextA(item(IDC_COUNT), view.count.c_str());
}

host::MediaReply askMedia(const host::MediaQuestion& question) {
  host::MediaBox box = host::mediaBox(question);
  UINT style = box.buttons == host::BoxButtons::YesNoCancel ? MB_YESNOCANCEL | MB_ICONQUESTION
                                                            : MB_RETRYCANCEL | MB_ICONWARNING;
  int pressed = MessageBoxA(g_app.dialog, box.text.c_str(), box.caption.c_str(), style);
  host::BoxAnswer answer = pressed == IDYES     ? host::BoxAnswer::Yes
                           : pressed == IDNO    ? host::BoxAnswer::No
                           : pressed == IDRETRY ? host::BoxAnswer::Retry
                                                : host::BoxAnswer::Cancel;
  return host::mediaReply(answer);
}

void runDone(RunResult* done) {
  std::unique_ptr<RunResult> result(done);
  WaitForSingleObject(g_app.thread, INFINITE);
  CloseHandle(g_app.thread);
  g_app.thread = nullptr;
  g_app.session = std::move(result->next);
  std::string text;
  std::string status;
  std::string count;
  if (result->ran) {
    host::EndSummary summary = host::endSummary(result->outcome);
    text = host::summaryText(summary);
    status = summary.heading;
    g_app.folderToOpen = summary.folder;
    count = summary.size;
    if (result->outcome.ending == host::Ending::Written)
      SendMessageA(item(IDC_PROGRESS), PBM_SETPOS, 1000, 0);
  } else {
    status = "The snapshot could not be taken.";
    text = result->failure;
  }
  if (!g_app.session) {
    text += "\r\n" + result->nextFailure;
  } else {
    g_app.presets = g_app.session->catalogue().parameters();
  }
  g_app.run.finish(!g_app.folderToOpen.empty());
  SetWindowTextA(item(IDC_STATUS), status.c_str());
  SetWindowTextA(item(IDC_COUNT), count.c_str());
  SetWindowTextA(item(IDC_SUMMARY), text.c_str());
  updateControls();
  if (g_app.closeWhenDone) EndDialog(g_app.dialog, 0);
}

void closeWindow() {
  if (!g_app.thread) {
    EndDialog(g_app.dialog, 0);
    return;
  }
  if (MessageBoxA(g_app.dialog, "A snapshot is being taken. Stop it and close NoxInfo?", kCaption,
                  MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  if (!g_app.thread) {  // it ended while the question was open
    EndDialog(g_app.dialog, 0);
    return;
  }
  g_app.closeWhenDone = true;
  cancelRun();
}

// ---- The dialog ----

void initialize(HWND dialog) {
  g_app.dialog = dialog;
  g_app.tree = item(IDC_TREE);
  SendMessageA(item(IDC_PROGRESS), PBM_SETRANGE, 0, MAKELPARAM(0, 1000));
  for (const host::SplitChoice& choice : host::splitChoices())
    SendMessageA(item(IDC_SPLIT_SIZE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.label));
  SendMessageA(item(IDC_SPLIT_SIZE), CB_SETCURSEL, 0, 0);
  SendMessageA(item(IDC_PACK_EXE), BM_SETCHECK, BST_CHECKED, 0);

  char folder[MAX_PATH] = {};
  GetPrivateProfileStringA("General", "SavePath", kDefaultFolder, folder, sizeof folder,
                           host::settingsFile().c_str());
  SetWindowTextA(item(IDC_FOLDER), folder);

  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  std::string failure;
  g_app.session = loadSession(failure);
  SetCursor(previous);
  if (g_app.session) {
    g_app.categories = g_app.session->catalogue().categories();
    g_app.presets = g_app.session->catalogue().parameters();
    g_app.fields = host::formFields(g_app.presets);
    g_app.document = g_app.session->documentName();
    fillTree();
    if (g_app.categories.empty())
      SetWindowTextA(item(IDC_STATUS), "NxInfo.ini beside this program lists no categories.");
  } else {
    SetWindowTextA(item(IDC_STATUS), "The plug-ins could not be loaded.");
    SetWindowTextA(item(IDC_SUMMARY), failure.c_str());
  }
  updateControls();
  SetTimer(dialog, kShowChecksTimer, 200, nullptr);
}

bool onNotify(const NMHDR& header) {
  if (header.idFrom != IDC_TREE) return false;
  if (header.code == TVN_SELCHANGEDA || header.code == TVN_SELCHANGEDW) {
    const NMTREEVIEWA& change = reinterpret_cast<const NMTREEVIEWA&>(header);
    showFields(static_cast<size_t>(change.itemNew.lParam));
  } else if (header.code == NM_CLICK) {
    TVHITTESTINFO hit = {};
    DWORD position = GetMessagePos();
    hit.pt.x = static_cast<short>(LOWORD(position));
    hit.pt.y = static_cast<short>(HIWORD(position));
    ScreenToClient(g_app.tree, &hit.pt);
    SendMessageA(g_app.tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.flags & TVHT_ONITEMSTATEICON)
      PostMessageA(g_app.dialog, kSyncTreeMessage, 0, reinterpret_cast<LPARAM>(hit.hItem));
  } else if (header.code == TVN_KEYDOWN) {
    if (reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey == VK_SPACE) {
      LRESULT caret = SendMessageA(g_app.tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
      PostMessageA(g_app.dialog, kSyncTreeMessage, 0, caret);
    }
  }
  return false;
}

void onCommand(int id, int code) {
  if (id >= IDC_FIELD_BASE) {
    fieldChanged(id, code);
    return;
  }
  switch (id) {
    case IDC_START:
      startRun();
      break;
    case IDC_STOP:
      cancelRun();
      break;
    case IDC_OPEN:
      if (!g_app.folderToOpen.empty())
        ShellExecuteA(g_app.dialog, "open", g_app.folderToOpen.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      break;
    case IDC_BROWSE:
      browse();
      break;
    case IDC_SAVE:
      saveSelection();
      break;
    case IDC_PACK_EXE:
    case IDC_PACK_FOLDER:
    case IDC_PACK_SPLIT:
      updateControls();
      break;
    case IDC_SPLIT_SIZE:
      if (code == CBN_SELCHANGE) updateControls();
      break;
    case IDCANCEL:
      closeWindow();
      break;
    default:
      break;
  }
}

void reply(HWND dialog, LRESULT result) { SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result); }

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initialize(dialog);
      return TRUE;
    case WM_NOTIFY:
      return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      onCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case kSyncTreeMessage:
      syncTree(reinterpret_cast<HTREEITEM>(lParam));
      return TRUE;
    case WM_TIMER:
      if (wParam == kShowChecksTimer) {
        KillTimer(dialog, kShowChecksTimer);
        for (const TreeItem& t : g_app.items) showCheck(t);
      }
      return TRUE;
    case kProgressMessage:
      showProgress(*reinterpret_cast<const host::Progress*>(lParam));
      return TRUE;
    case kAskMessage:
      reply(dialog, static_cast<LRESULT>(askMedia(*reinterpret_cast<const host::MediaQuestion*>(lParam))));
      return TRUE;
    case kDoneMessage:
      runDone(reinterpret_cast<RunResult*>(lParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, dialogProc, 0);
  g_app.session.reset();
  return 0;
}
