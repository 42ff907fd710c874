// The exclude list: its file Exclude.lst, the Add/Edit/Remove buttons with their dialog, the
// check boxes, and moving result rows into the list.
#include "cleaner/engine/exclude_list.h"
#include "cleaner/ui/exclude_file.h"
#include "cleaner/ui/frm_exclude_location.h"
#include "cleaner/ui/frm_main.h"
#include "common/platform/error_text.h"
#include "common/text/text.h"

namespace cleaner {

// ---- the list in the window ----

void FrmMain::addExcludeRow(const std::string& text, const std::string& mustBegin, bool enabled) {
    int i = lvExclude.addItem(text);
    lvExclude.setSubItem(i, 1, mustBegin);
    lvExclude.setChecked(i, enabled);
    excludeTextsDirty_ = true;
}

void FrmMain::LoadExclude() {
    engine::ExcludeFile file = engine::LoadExclude(svc_.files, ApplicationFolder());
    excludePath_ = file.path;
    excludeUnreadable_ = file.state == engine::ExcludeFile::State::Unreadable;
    // No file: the list stays as it is. An unreadable file leaves the list as it is too; the
    // scan refuses to run until the file is read. Edits the file lacks are never dropped.
    if (file.state == engine::ExcludeFile::State::Missing && !excludeUnsaved_) excludeFromFile_ = true;
    if (file.state != engine::ExcludeFile::State::Read || excludeUnsaved_) return;
    excludeFromFile_ = true;
    lvExclude.clear();
    excludeTextsDirty_ = true;
    for (const engine::ExcludeEntry& e : file.entries) {
        // An empty text would exclude every location; this window never writes one, so such a
        // line is left from an entry that was broken in two and is no entry.
        if (e.text.empty()) continue;
        addExcludeRow(e.text, e.mustBegin, e.enabled);
        yield();
    }
}

std::string FrmMain::excludeListProblem() const {
    if (!excludeUnreadable_) return {};
    return engine::ExcludeUnreadableText(excludePath_);
}

bool FrmMain::SaveExclude() {
    const std::string path = ApplicationFolder() + "\\Exclude.lst";
    if (excludeUnreadable_ || !excludeFromFile_) {
        // The file may be readable by now. What it holds comes first; the entries added here
        // while it could not be read follow, so nothing of either is lost.
        engine::ExcludeFile file = engine::LoadExclude(svc_.files, ApplicationFolder());
        excludeUnreadable_ = file.state == engine::ExcludeFile::State::Unreadable;
        if (file.state == engine::ExcludeFile::State::Read && !excludeFromFile_) {
            std::vector<std::pair<std::string, std::pair<std::string, bool>>> added;
            for (int i = 0; i < lvExclude.count(); ++i)
                added.push_back({lvExclude.text(i), {lvExclude.subItem(i, 1), lvExclude.checked(i)}});
            lvExclude.clear();
            for (const engine::ExcludeEntry& e : file.entries)
                if (!e.text.empty()) addExcludeRow(e.text, e.mustBegin, e.enabled);
            for (const auto& [text, rest] : added) {
                bool there = false;
                for (int i = 0; i < lvExclude.count() && !there; ++i) there = lvExclude.text(i) == text;
                if (!there) addExcludeRow(text, rest.first, rest.second);
            }
        }
        if (file.state != engine::ExcludeFile::State::Unreadable) excludeFromFile_ = true;
    }
    // A file that could not be read is not written over: it holds entries this list lacks.
    if (excludeUnreadable_) {
        excludeUnsaved_ = true;
        host().msgBox(SpanishMode() ? "No se pudo guardar el cambio en la lista de exclusiones: el archivo \"" + path +
                                          "\" no se puede leer. No se analiza nada hasta que se pueda guardar."
                                    : "The change to the exclude list was not saved: its file \"" + path +
                                          "\" cannot be read (it is not written over, as it holds entries this list "
                                          "lacks). No scan runs until the change is saved.",
                      ui::mb::OkOnly | ui::mb::Exclamation, "Scourline");
        return false;
    }
    std::vector<engine::ExcludeEntry> entries;
    for (int i = 0; i < lvExclude.count(); ++i)
        entries.push_back({lvExclude.text(i), lvExclude.subItem(i, 1), lvExclude.checked(i)});
    // An empty list writes an empty file, so removing the last entry sticks. The file is
    // replaced only once the new one is whole: a folder this program may not write (below
    // Program Files without elevation) leaves the old file as it was, and the user is told.
    const long rc = svc_.files.replaceFile(
        path, ExcludeFileBytes(entries, [this](const std::string& t) { return svc_.files.toSystemCodePage(t); }));
    if (rc == 0) {
        excludeUnsaved_ = false;
        return true;
    }
    excludeUnsaved_ = true;
    const std::string text = SpanishMode()
                                 ? "No se pudo guardar la lista de exclusiones en \"" + path +
                                       "\": " + plat::ErrorText(rc) + ". El archivo conserva lo que tenía antes."
                                 : "The exclude list could not be saved to \"" + path + "\": " + plat::ErrorText(rc) +
                                       ". The file keeps what it held before.";
    host().msgBox(text, ui::mb::OkOnly | ui::mb::Exclamation, "Scourline");
    return false;
}

void FrmMain::lvExclude_ItemCheck(int) { SaveExclude(); }

void FrmMain::cmdExclude_Click(int index) {
    switch (index) {
        case 0: {  // Add...
            FrmExcludeLocation dlg(host(), [this] { return SpanishMode(); });
            dlg.Choice = SpanishMode() ? "Cancelar" : "Cancel";
            dlg.showModal(this);
            if (dlg.accepted()) {
                int position = lvExclude.count();
                addExcludeRow(ExcludeEntryText(dlg.txtLocation.text()), dlg.chkMustBegin.value() == 1 ? "Yes" : "No",
                              true);
                if (SaveExclude()) LoadExclude();
                if (position < lvExclude.count()) lvExclude.ensureVisible(position);
            }
            dlg.unload();
            break;
        }
        case 1: {  // Edit
            int sel = lvExclude.selectedIndex();
            if (sel < 0) return;
            FrmExcludeLocation dlg(host(), [this] { return SpanishMode(); });
            dlg.Choice = SpanishMode() ? "Cancelar" : "Cancel";
            dlg.txtLocation.setText(lvExclude.text(sel));
            dlg.chkMustBegin.setValue(lvExclude.subItem(sel, 1) == "Yes" ? 1 : 0);
            dlg.showModal(this);
            if (dlg.accepted() && host().msgBox(texts_.EditConfirmText, ui::mb::YesNo, "Scourline") == ui::mb::Yes &&
                sel < lvExclude.count()) {
                lvExclude.setText(sel, ExcludeEntryText(dlg.txtLocation.text()));
                lvExclude.setSubItem(sel, 1, dlg.chkMustBegin.value() == 1 ? "Yes" : "No");
                excludeTextsDirty_ = true;
                if (SaveExclude()) LoadExclude();
                if (sel < lvExclude.count()) lvExclude.ensureVisible(sel);
            }
            dlg.unload();
            break;
        }
        case 2: {  // Remove
            int sel = lvExclude.selectedIndex();
            if (sel < 0) return;
            if (host().msgBox(texts_.RemoveConfirmText, ui::mb::YesNo, "Scourline") != ui::mb::Yes) return;
            sel = lvExclude.selectedIndex();  // the question may have let the list change
            if (sel < 0) return;
            lvExclude.removeItem(sel);
            excludeTextsDirty_ = true;
            if (SaveExclude()) LoadExclude();
            break;
        }
        default: break;
    }
}

void FrmMain::cmdAddtoExcludeList_Click() {
    const bool spanish = SpanishMode();
    int answer = spanish ? host().msgBox("¿Desea añadir esta entrada del registro a la lista de exclusiones?",
                                         ui::mb::YesNo | ui::mb::Question, "Lista de exclusiones")
                         : host().msgBox("Do you want to add this entry to the exclude list?",
                                         ui::mb::YesNo | ui::mb::Question, "Exclude list");
    if (answer != ui::mb::Yes) return;
    if (lvInvalidLoc.selCount() == 0) return;
    for (int i = lvInvalidLoc.count() - 1; i >= 0; --i) {
        if (i >= lvInvalidLoc.count()) continue;  // rows may have gone while yielding
        if (!lvInvalidLoc.selected(i)) continue;
        addExcludeRow(engine::LocationOf(rowFinding(i)), "Yes", true);
        lvInvalidLoc.removeItem(i);
        yield();
    }
    SaveExclude();
}

}  // namespace cleaner
