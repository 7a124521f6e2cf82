# Fetch and transfer of stored tests against the simulator, on SQLite and PostgreSQL.
gt_test(test_e2e_retrieval LABELS e2e TIMEOUT 300
        SOURCES test_retrieval.cpp RetrievalFixture.h test_chain_support.h ../store/StoreTestDb.h ../store/StoreTestDb.cpp
        LIBS gt_tester)
add_dependencies(test_e2e_retrieval tester-sim gt-initdb)
# Ten fetches of a hundred records over a line that loses bytes.
gt_test(test_e2e_retrieval_noisy LABELS slow TIMEOUT 900
        SOURCES test_retrieval_noisy.cpp RetrievalFixture.h test_chain_support.h ../store/StoreTestDb.h
                ../store/StoreTestDb.cpp
        LIBS gt_tester)
add_dependencies(test_e2e_retrieval_noisy tester-sim gt-initdb)
