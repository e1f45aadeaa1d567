#pragma once

#include "integration/instrument/SimProcess.h"
#include "integration/memfile/RunCli.h"
#include "model/XmlDocData.h"
#include "support/FileBytes.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

// A folder of the test's own, and memory files in it made of Pattern records,
// so that each memory shows where it came from.
template <class Base = ::testing::Test> class PatternFiles : public Base
{
protected:
    QString Path(const QString& strName) const { return m_dir.filePath(strName); }

    // 100 distinct memories from nSeed (-1: the defaults), edited by fnEdit.
    QString Save(const QString& strName, int nSeed = -1, const std::function<void(CXmlDocData&)>& fnEdit = {})
    {
        CXmlDocData data;
        data.Reset();
        for (int i = 0; nSeed >= 0 && i < CXmlDocData::MEMORY_COUNT; ++i)
            *data.GetContainer().GetAt(i) = Pattern(i, nSeed);
        if (fnEdit)
            fnEdit(data);
        EXPECT_TRUE(data.Save(Path(strName)));
        return Path(strName);
    }

    // Memory by memory, the seed each came from (-1: the defaults, -2: not
    // checked); a mismatch names the memory.
    static void ExpectSeeds(const QString& strPath, const std::function<int(int)>& fnSeedOf)
    {
        CXmlDocData data;
        data.Reset();
        ASSERT_TRUE(data.Load(strPath)) << qPrintable(strPath);
        for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i) {
            const int nSeed = fnSeedOf(i);
            if (nSeed != -2) {
                EXPECT_EQ(Describe(*data.GetContainer().GetAt(i)),
                          Describe(nSeed < 0 ? STOREMEM() : Pattern(i, nSeed)))
                    << "memory " << i;
            }
        }
    }

    // Memories nFirst to nLast of the file are those of nSeed (-1: the defaults).
    static bool Holds(const QString& strPath, int nSeed, int nFirst = 0,
                      int nLast = CXmlDocData::MEMORY_COUNT - 1)
    {
        CXmlDocData data;
        data.Reset();
        if (!data.Load(strPath))
            return false;
        for (int i = nFirst; i <= nLast; ++i) {
            if (Describe(*data.GetContainer().GetAt(i)) !=
                Describe(nSeed < 0 ? STOREMEM() : Pattern(i, nSeed)))
                return false;
        }
        return true;
    }

    QTemporaryDir m_dir;
};
