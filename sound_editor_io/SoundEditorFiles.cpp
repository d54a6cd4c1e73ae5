#include "sound_editor_io/SoundEditorFiles.h"

#include "common/FileIo.h"
#include "common/FileKinds.h"
#include "common/Pcm.h"
#include "common/SoundFileBytes.h"
#include "sound_editor_io/SequenceFile.h"
#include "sound_editor_io/SoundFile.h"
#include "sound_editor_io/WavFile.h"

namespace vorel {

Result<SoundSettings> loadSoundFile(const std::string& path) {
    auto bytes = readFileBytes(path, soundFileSize);
    if (!bytes)
        return Result<SoundSettings>::failure(bytes.error());
    Result<SoundSettings> settings = decodeSoundFile(bytes.value());
    if (!settings)
        return Result<SoundSettings>::failure(
            refusalReason(FileKind::sound, path, bytes.value(), settings.error()));
    return settings;
}

Status saveSoundFile(const std::string& path, const SoundSettings& settings) {
    return writeFileAtomically(path, encodeSoundFile(settings));
}

Status loadSequenceFile(const std::string& path, SequenceData& sequence) {
    auto bytes = readFileBytes(path, maxSequenceFileSize);
    if (!bytes)
        return Status::failure(bytes.error());
    auto notes = decodeSequenceFile(bytes.value());
    if (!notes)
        return Status::failure(
            refusalReason(FileKind::sequence, path, bytes.value(), notes.error()));
    loadNotes(sequence, notes.value());
    return Status::success();
}

Status saveSequenceFile(const std::string& path, const SequenceData& sequence) {
    return writeFileAtomically(path, encodeSequenceFile(sequence));
}

Status saveWavFile(const std::string& path, std::span<const std::int16_t> buffer) {
    return writeFileAtomically(path, encodeWavFile(buffer.first(audibleLength(buffer))));
}

Status saveFlacFile(const std::string& path, std::span<const std::int16_t> buffer) {
    auto bytes = encodeFlacFile(buffer.first(audibleLength(buffer)));
    if (!bytes)
        return Status::failure(bytes.error());
    return writeFileAtomically(path, bytes.value());
}

} // namespace vorel
