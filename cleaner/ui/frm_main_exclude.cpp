// The exclude list: its file Exclude.lst, the Add/Edit/Remove buttons with their dialog, the
// check boxes, and moving result rows into the list.
#include "cleaner/engine/exclude_list.h"
#include "cleaner/ui/exclude_file.h"
#include "cleaner/ui/frm_exclude_location.h"
#include "cleaner/ui/frm_main.h"
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
    std::optional<std::vector<engine::ExcludeEntry>> entries = engine::LoadExclude(svc_.files, ApplicationFolder());
    if (!entries) return;  // no file: the list stays as it is
    lvExclude.clear();
    excludeTextsDirty_ = true;
    for (const engine::ExcludeEntry& e : *entries) {
        // An empty text would exclude every location; this window never writes one, so such a
        // line is left from an entry that was broken in two and is no entry.
        if (e.text.empty()) continue;
        addExcludeRow(e.text, e.mustBegin, e.enabled);
        yield();
    }
}

void FrmMain::SaveExclude() {
    std::vector<engine::ExcludeEntry> entries;
    for (int i = 0; i < lvExclude.count(); ++i)
        entries.push_back({lvExclude.text(i), lvExclude.subItem(i, 1), lvExclude.checked(i)});
    // An empty list writes an empty file, so removing the last entry sticks.
    svc_.files.writeFile(ApplicationFolder() + "\\Exclude.lst", ExcludeFileBytes(entries));
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
                SaveExclude();
                LoadExclude();
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
            if (dlg.accepted() &&
                host().msgBox(texts_.EditConfirmText, ui::mb::YesNo, "Scourline") == ui::mb::Yes &&
                sel < lvExclude.count()) {
                lvExclude.setText(sel, ExcludeEntryText(dlg.txtLocation.text()));
                lvExclude.setSubItem(sel, 1, dlg.chkMustBegin.value() == 1 ? "Yes" : "No");
                excludeTextsDirty_ = true;
                SaveExclude();
                LoadExclude();
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
            SaveExclude();
            LoadExclude();
            break;
        }
        default:
            break;
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
        addExcludeRow(lvInvalidLoc.text(i), "Yes", true);
        lvInvalidLoc.removeItem(i);
        yield();
    }
    SaveExclude();
}

}  // namespace cleaner
