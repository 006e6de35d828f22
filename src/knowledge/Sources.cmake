# The knowledge base: part of the portable core, with its native tests.
set(QM_KNOWLEDGE_CORE_SOURCES
    ${CMAKE_SOURCE_DIR}/src/knowledge/KnowledgeBaseTable.cpp
    ${CMAKE_SOURCE_DIR}/src/knowledge/ServiceKnowledgeBase.cpp
    ${CMAKE_SOURCE_DIR}/src/knowledge/ServiceAdvice.cpp
    ${CMAKE_SOURCE_DIR}/src/knowledge/WizardQuestion.cpp
)
set(QM_KNOWLEDGE_TEST_SOURCES
    ${CMAKE_SOURCE_DIR}/tests/knowledge/ServiceKnowledgeBaseTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/knowledge/ServiceAdviceTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/knowledge/WizardQuestionTest.cpp
)
