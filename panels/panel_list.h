#pragma once
#include <QString>
#include <list>

class CPanel;

// The application's panels in creation order: Main Panel, Setting Panel,
// Status panel. The list holds the panel objects; the application deletes them.
class CPanelList {
public:
    using Container = std::list<CPanel*>;

    void AddTail(CPanel* panel) { m_items.push_back(panel); }
    void RemoveAll() { m_items.clear(); }
    bool IsEmpty() const { return m_items.empty(); }
    std::size_t GetCount() const { return m_items.size(); }
    Container::const_iterator begin() const { return m_items.begin(); }
    Container::const_iterator end() const { return m_items.end(); }

    // The first panel whose name equals `name` exactly (case-sensitive), or null.
    CPanel* FindByName(const QString& name) const;
    // FindByName of the string-table text with that id.
    CPanel* FindByStringId(int stringId) const;

private:
    Container m_items;
};
