teedesk_fuzz_target(fuzz_course FuzzCourse.cpp)
target_link_libraries(fuzz_course PRIVATE teedesk_course teedesk_coursemaker)
target_compile_definitions(fuzz_course PRIVATE COURSE_FIXTURES="${PROJECT_SOURCE_DIR}/tests/course/fixtures")
