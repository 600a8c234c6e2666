#include "tests/project/support/StoreTestSupport.h"

#include <atomic>
#include <fstream>
#include <unistd.h>

namespace orv::storetest {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    m_path = fs::temp_directory_path() /
             ("orv-store-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    fs::remove_all(m_path);
    fs::create_directories(m_path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string ScratchFolder::Path(const std::string& relative) const {
    return relative.empty() ? m_path.string() : (m_path / relative).string();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::map<std::string, std::vector<uint8_t>> Snapshot(const std::string& folder) {
    std::map<std::string, std::vector<uint8_t>> files;
    if (!fs::exists(folder)) {
        return files;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path().string());
        }
    }
    return files;
}

bool RecordingFileOperations::SaveProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* /*window*/,
                                          const QNodePairList& pairs, QStorageErrorList& /*errors*/) {
    ++m_saves;
    m_savedProjectFolder = storage.GetProject()->GetFolderPath();
    m_sawSavingAs = storage.IsSavingAs();
    m_sawSourceFolder = storage.GetSourceProject() ? storage.GetSourceProject()->GetFolderPath() : "";
    return m_onSave ? m_onSave(storage, pairs) : true;
}

bool RecordingFileOperations::LoadProject(QFileSystemProjectStorageManager& /*storage*/,
                                          TfrmMainApp* /*window*/, QNodePairList& /*pairs*/,
                                          QStorageErrorList& /*errors*/) {
    ++m_loads;
    return true;
}

bool RecordingFileOperations::ValidateNodes(QFileSystemProjectStorageManager& /*storage*/,
                                            QNodePairList& /*pairs*/, QStorageErrorList& /*errors*/) {
    ++m_validations;
    return true;
}

std::unique_ptr<QProjectStorageManager>
FakeStorageManagerFactory::CreateStorageManager(std::shared_ptr<QFileSystemProjectDescriptor> descriptor,
                                                QFileSystemRepositoryManager& repository) {
    ++m_made;
    m_lastRepository = &repository;
    return std::make_unique<QFileSystemProjectStorageManager>(std::move(descriptor), repository,
                                                              m_operations);
}

} // namespace orv::storetest
