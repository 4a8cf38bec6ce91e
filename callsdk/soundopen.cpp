#include "soundopen.h"

#include <mediastreamer2/msfactory.h>
#include <mediastreamer2/msfilter.h>
#include <mediastreamer2/mssndcard.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace callsdk {
namespace {

// A device filter's description as its filters carry it from now on: the
// original with the open moved from preprocess (run where the stream is
// started) to the first process (run by the media thread). `desc` comes
// first so that a filter's description leads back to the rest.
struct LateDesc
{
    MSFilterDesc desc;
    MSFilterFunc preprocess;
    MSFilterFunc process;
    MSFilterFunc postprocess;
    MSFilterFunc uninit;
};

struct CardFunctions
{
    MSSndCardCreateReaderFunc createReader;
    MSSndCardCreateWriterFunc createWriter;
};

std::mutex g_mutex;
// Filters attached to a running graph whose device is not open yet.
std::set<MSFilter *> g_unopened;
// By the original description; kept for the process's life, as filters
// point at them.
std::map<const MSFilterDesc *, std::unique_ptr<LateDesc>> g_lateDescs;
std::map<const MSSndCardDesc *, CardFunctions> g_cards;

const LateDesc &lateOf(MSFilter *f)
{
    return *reinterpret_cast<const LateDesc *>(f->desc);
}

void latePreprocess(MSFilter *f)
{
    std::lock_guard<std::mutex> lk(g_mutex);
    g_unopened.insert(f);
}

void lateProcess(MSFilter *f)
{
    bool open;
    {
        std::lock_guard<std::mutex> lk(g_mutex);
        open = g_unopened.erase(f) > 0;
    }
    const LateDesc &late = lateOf(f);
    if (open && late.preprocess)
        late.preprocess(f);
    if (late.process)
        late.process(f);
}

void latePostprocess(MSFilter *f)
{
    bool opened;
    {
        std::lock_guard<std::mutex> lk(g_mutex);
        opened = g_unopened.erase(f) == 0;
    }
    // A graph stopped before its first tick never opened the device.
    const LateDesc &late = lateOf(f);
    if (opened && late.postprocess)
        late.postprocess(f);
}

void lateUninit(MSFilter *f)
{
    {
        std::lock_guard<std::mutex> lk(g_mutex);
        g_unopened.erase(f);
    }
    const LateDesc &late = lateOf(f);
    if (late.uninit)
        late.uninit(f);
}

MSFilter *opensLate(MSFilter *f)
{
    if (!f)
        return f;
    std::lock_guard<std::mutex> lk(g_mutex);
    std::unique_ptr<LateDesc> &late = g_lateDescs[f->desc];
    if (!late) {
        late.reset(new LateDesc{*f->desc, f->desc->preprocess, f->desc->process,
            f->desc->postprocess, f->desc->uninit});
        late->desc.preprocess = latePreprocess;
        late->desc.process = lateProcess;
        late->desc.postprocess = latePostprocess;
        late->desc.uninit = lateUninit;
    }
    f->desc = &late->desc;
    return f;
}

CardFunctions functionsOf(MSSndCard *card)
{
    std::lock_guard<std::mutex> lk(g_mutex);
    return g_cards[card->desc];
}

MSFilter *createReader(MSSndCard *card)
{
    CardFunctions fns = functionsOf(card);
    return opensLate(fns.createReader ? fns.createReader(card) : nullptr);
}

MSFilter *createWriter(MSSndCard *card)
{
    CardFunctions fns = functionsOf(card);
    return opensLate(fns.createWriter ? fns.createWriter(card) : nullptr);
}

}  // namespace

void openSoundDevicesOnMediaThread(_MSFactory *factory)
{
    MSSndCardManager *manager = factory ? ms_factory_get_snd_card_manager(factory) : nullptr;
    if (!manager)
        return;
    for (const MSList *it = ms_snd_card_manager_get_list(manager); it; it = it->next) {
        MSSndCard *card = static_cast<MSSndCard *>(it->data);
        MSSndCardDesc *desc = card ? card->desc : nullptr;
        if (!desc || !desc->driver_type || std::strcmp(desc->driver_type, "PulseAudio") != 0)
            continue;
        std::lock_guard<std::mutex> lk(g_mutex);
        if (g_cards.count(desc))
            continue;
        // The description is shared by every card of the driver, those of a
        // later reload too.
        g_cards[desc] = CardFunctions{desc->create_reader, desc->create_writer};
        desc->create_reader = createReader;
        desc->create_writer = createWriter;
    }
}

}  // namespace callsdk
