#pragma once

// "Searching Scanner": the network scanners found so far, by address and the ID each reported; the
// user picks one, or searches the network again (the dialog waits for the search, as it always did).

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QTreeWidget;

namespace orv {

class CDlgSearchForZeltp : public QDialog {
public:
    static constexpr int kListId = 1182;
    static constexpr int kSearchAgainId = 1183;

    // One search: fills the two lists, of equal length, in the order the answers came.
    using SearchFunction =
        std::function<void(std::vector<std::string>& addresses, std::vector<std::string>& ids)>;

    CDlgSearchForZeltp(std::vector<std::string> scannerIps, std::vector<std::string> scannerIds,
                       QWidget* parent = nullptr);

    // The network search the dialog runs; the broadcast search of the process by default.
    void SetSearchFunction(SearchFunction search) { m_search = std::move(search); }
    static void RunNetworkSearch(std::vector<std::string>& addresses, std::vector<std::string>& ids);

    // "Searching again": empties the list, searches and lists the answers.
    void SearchAgain();
    // "Select": the first selected row becomes the result (OK), none closes with Cancel.
    void Select();

    const std::string& GetSelectedIp() const { return m_selectedIp; }
    const std::string& GetSelectedId() const { return m_selectedId; }
    const std::vector<std::string>& GetScannerIps() const { return m_scannerIps; }
    const std::vector<std::string>& GetScannerIds() const { return m_scannerIds; }
    QTreeWidget& GetList() const { return *m_list; }

private:
    void FillList();

    std::vector<std::string> m_scannerIps;
    std::vector<std::string> m_scannerIds;
    std::string m_selectedIp;
    std::string m_selectedId;
    QTreeWidget* m_list = nullptr;
    SearchFunction m_search;
};

} // namespace orv
