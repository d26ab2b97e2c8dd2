#include "radio_bass.h"
#include "radio_bass_aac.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

namespace {

// Every typed slot of the binding, with its name.
QList<QPair<const char*, void*>> typedSlots(const BassApi& api) {
    return {
        {"BASS_Init", reinterpret_cast<void*>(api.BASS_Init)},
        {"BASS_Free", reinterpret_cast<void*>(api.BASS_Free)},
        {"BASS_SetConfig", reinterpret_cast<void*>(api.BASS_SetConfig)},
        {"BASS_PluginLoad", reinterpret_cast<void*>(api.BASS_PluginLoad)},
        {"BASS_StreamCreateURL", reinterpret_cast<void*>(api.BASS_StreamCreateURL)},
        {"BASS_StreamFree", reinterpret_cast<void*>(api.BASS_StreamFree)},
        {"BASS_StreamGetFilePosition", reinterpret_cast<void*>(api.BASS_StreamGetFilePosition)},
        {"BASS_ChannelGetTags", reinterpret_cast<void*>(api.BASS_ChannelGetTags)},
        {"BASS_ChannelSetSync", reinterpret_cast<void*>(api.BASS_ChannelSetSync)},
        {"BASS_ChannelPlay", reinterpret_cast<void*>(api.BASS_ChannelPlay)},
        {"BASS_ChannelStop", reinterpret_cast<void*>(api.BASS_ChannelStop)},
        {"BASS_ChannelSetAttribute", reinterpret_cast<void*>(api.BASS_ChannelSetAttribute)},
    };
}

bool bindingIsEmpty() {
    for (const auto& [name, address] : typedSlots(BassApi::Global())) {
        if (address)
            return false;
    }
    for (void* address : BassEntryPoints()) {
        if (address)
            return false;
    }
    return true;
}

} // namespace

class TstBassBinding : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        UnloadBassDLL();
        UnloadBassAACDLL();
    }

    void realEngineBindsTheCalledEntryPoints() {
        const QString path = QCoreApplication::applicationDirPath() + "/" + kBassLibraryFile;
        if (!QFileInfo::exists(path))
            QSKIP("the engine library has not been built in this tree");

        // By bare name: the executable's run path finds the library beside it.
        QVERIFY(LoadBassDLL());
        for (const auto& [name, address] : typedSlots(BassApi::Global()))
            QVERIFY2(address, name);
        const auto& all = BassEntryPoints();
        const auto at = std::find(kBassEntryPointNames.begin(), kBassEntryPointNames.end(),
                                  std::string_view("BASS_ErrorGetCode"));
        QVERIFY(all[std::size_t(at - kBassEntryPointNames.begin())]);

        UnloadBassDLL();
        QVERIFY(bindingIsEmpty());
    }

    void guardReleasesWhatItBound() {
        { TBassLibrary guard; }
        QVERIFY(bindingIsEmpty());
    }

    void missingLibraryLeavesEveryEntryNull() {
        QVERIFY(!LoadBassDLL("libzelvorna-engine-absent.so"));
        QVERIFY(bindingIsEmpty());
        QVERIFY(!LoadDynamicBassAACDLL("libzelvorna-engine-aac-absent.so"));
        for (void* address : BassAacEntryPoints())
            QVERIFY(!address);
    }

    void libraryWithoutTheEntriesLeavesThemNull() {
        // Any library that opens but exports none of the names.
        QVERIFY(LoadBassDLL("libm.so.6"));
        QVERIFY(bindingIsEmpty());
        QVERIFY(LoadDynamicBassAACDLL("libm.so.6"));
        for (void* address : BassAacEntryPoints())
            QVERIFY(!address);
    }

    void entryPointListIsComplete() {
        // Lookup order fixes the groups: configuration first, effects last.
        QCOMPARE(kBassEntryPointNames.size(), std::size_t(96));
        QCOMPARE(std::string_view(kBassEntryPointNames.front()),
                 std::string_view("BASS_SetConfig"));
        QCOMPARE(std::string_view(kBassEntryPointNames.back()), std::string_view("BASS_FXReset"));
        QSet<QByteArray> unique;
        for (const char* name : kBassEntryPointNames)
            unique.insert(name);
        QCOMPARE(unique.size(), 96);
        for (const auto& [name, address] : typedSlots(BassApi{}))
            QVERIFY2(unique.contains(name), name);
    }
};

QTEST_GUILESS_MAIN(TstBassBinding)
#include "tst_bass_binding.moc"
