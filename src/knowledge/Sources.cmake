# The knowledge base: part of the portable core, with its native tests. Its
# texts are the table in KnowledgeBaseTable.cpp; the Windows build reads
# them from its string table, which is generated from that table.
set(QM_KNOWLEDGE_TABLE_SOURCES
    ${CMAKE_SOURCE_DIR}/src/knowledge/KnowledgeBaseTable.cpp
)
set(QM_KNOWLEDGE_CORE_SOURCES
    ${CMAKE_SOURCE_DIR}/src/knowledge/ServiceKnowledgeBase.cpp
    ${CMAKE_SOURCE_DIR}/src/knowledge/ServiceAdvice.cpp
    ${CMAKE_SOURCE_DIR}/src/knowledge/WizardQuestion.cpp
    ${CMAKE_SOURCE_DIR}/src/knowledge/ProfileRequest.cpp
)
# Where the entries are read from: on Windows the program's string table
# (the Windows side), elsewhere the table itself.
if(WIN32)
    set(QM_KNOWLEDGE_STORE_SOURCES
        ${CMAKE_SOURCE_DIR}/src/knowledge/ServiceKnowledgeBaseFromResources.cpp
        ${CMAKE_SOURCE_DIR}/src/knowledge/StringResource.cpp
    )
else()
    set(QM_KNOWLEDGE_STORE_SOURCES
        ${CMAKE_SOURCE_DIR}/src/knowledge/ServiceKnowledgeBaseFromTable.cpp
        ${QM_KNOWLEDGE_TABLE_SOURCES}
    )
endif()
set(QM_KNOWLEDGE_TEST_SOURCES
    ${CMAKE_SOURCE_DIR}/tests/knowledge/ServiceKnowledgeBaseTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/knowledge/ServiceAdviceTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/knowledge/WizardQuestionTest.cpp
)

# The generator of the string table, built for the machine that builds.
set(QM_STRINGTABLE_SOURCES
    ${CMAKE_SOURCE_DIR}/tools/stringtable/StringTableScript.cpp
    ${QM_KNOWLEDGE_TABLE_SOURCES}
)
set(QM_STRINGTABLE_MAIN ${CMAKE_SOURCE_DIR}/tools/stringtable/StringTableMain.cpp)
set(QM_STRINGTABLE_HEADERS
    ${CMAKE_SOURCE_DIR}/tools/stringtable/StringTableScript.h
    ${CMAKE_SOURCE_DIR}/src/knowledge/KnowledgeBaseTable.h
    ${CMAKE_SOURCE_DIR}/src/knowledge/ServiceKnowledgeBase.h
)
set(QM_STRINGTABLE_TEST_SOURCES ${CMAKE_SOURCE_DIR}/tests/tools/StringTableScriptTest.cpp)
