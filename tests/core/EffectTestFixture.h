// The world of a transition-generator test: a table of small frames recorded in an undo store as
// the view records them, the effect settings, the random generator seeded with 1, and a settings
// sheet that answers from a script.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/effects/EffectRandom.h"
#include "core/effects/EffectSettings.h"
#include "core/effects/TransitionRun.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/TableTest.h"

namespace vorla::test {

// The view's part in the modified flag: every commit marks the document.
class DocumentHost : public StoringHost {
public:
    void MarkModified() override {
        StoringHost::MarkModified();
        if (document) document->modified = true;
    }
    CAnvoDoc* document = nullptr;
};

class EffectTest : public TableTest<DocumentHost> {
protected:
    static constexpr std::int32_t kWidth = 8;
    static constexpr std::int32_t kHeight = 6;

    EffectTest() {
        table = NewTable(1);
        store = std::make_unique<UndoStore>(table->snapshotFilePath, ui);
        host.table = table.get();
        host.store = store.get();
        host.document = &document;
    }

    // `frames` opaque full-screen frames with four colours; frame i is told apart by its delay
    // 10 + i and by the red of its colours.
    void Load(int frames) {
        for (int i = 0; i < frames; ++i) {
            CDib image;
            image.Create(kWidth, kHeight, 8, 4);
            image.SetPaletteColor(0, MakeRgb(200 - i, 100, 50));
            image.SetPaletteColor(1, MakeRgb(255, 0, 128));
            image.SetPaletteColor(2, MakeRgb(3, 77, 254));
            image.SetPaletteColor(3, MakeRgb(i, 255, 1));
            for (std::int32_t y = 0; y < kHeight; ++y)
                for (std::int32_t x = 0; x < kWidth; ++x)
                    image.SetIndex(x, y, static_cast<std::uint8_t>((x + 2 * y + i) % 4));
            auto slot = static_cast<std::size_t>(i);
            table->frameImages[slot] = image;
            table->entries[slot] = FrameEntry{};
            table->entries[slot].width = kWidth;
            table->entries[slot].height = kHeight;
            table->entries[slot].colorCount = 4;
            table->entries[slot].transparentIndex = 3;
            table->entries[slot].controlFlags = 4;
            table->entries[slot].delay = static_cast<std::int16_t>(10 + i);
        }
        table->frameCount = frames;
        table->SetZoom(kWidth, kHeight, false);
        table->RebuildDisplayImages(-1, true, true, false);
        ASSERT_TRUE(edit::RecordSnapshot(*table, *store));
    }

    // The gap after frame `gap` selected, as a click on it leaves it (-1: before the first).
    void SelectGap(int gap) {
        table->ClearSelection(true, -1);
        if (gap + 1 < table->frameCount) {
            table->entries[static_cast<std::size_t>(gap + 1)].gapSelected = 1;
        } else {
            table->gapAfterLastSelected = true;
        }
        table->targetGap = gap;
    }
    void SelectFrame(int frame) {
        table->ClearSelection(true, -1);
        table->entries[static_cast<std::size_t>(frame)].selected = 1;
        table->menuFrame = frame;
    }

    effects::EffectContext& Context() {
        if (!context_) {
            context_ = std::make_unique<effects::EffectContext>(effects::EffectContext{
                *table, *store, document, settings, random, marginColour, [this](int page) {
                    sheetPages.push_back(page);
                    if (sheetAnswers.empty()) return true;
                    const bool ok = sheetAnswers.front();
                    sheetAnswers.pop_front();
                    return ok;
                }});
        }
        return *context_;
    }

    std::vector<std::uint8_t> Block() const { return edit::BuildSnapshotBlock(*table); }
    const FrameEntry& Entry(int i) const { return table->entries[static_cast<std::size_t>(i)]; }
    const CDib& Image(int i) const { return table->frameImages[static_cast<std::size_t>(i)]; }
    std::vector<int> Delays() const {
        std::vector<int> delays;
        for (int i = 0; i < table->frameCount; ++i) delays.push_back(Entry(i).delay);
        return delays;
    }

    std::unique_ptr<FrameTable> table;
    std::unique_ptr<UndoStore> store;
    CAnvoDoc document;
    effects::EffectSettings settings;
    effects::EffectRandom random{1};
    Colorref marginColour = 0;
    std::vector<int> sheetPages;    // pages the sheet was opened on
    std::deque<bool> sheetAnswers;  // OK (true) or Cancel; none left: OK

private:
    std::unique_ptr<effects::EffectContext> context_;
};

}  // namespace vorla::test
