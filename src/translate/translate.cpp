#include "translate/translate.h"

// No translate script support yet: conversion runs without translation.
void translate_load() {}
int translate_active() { return 0; }
int translate_token(int token) { return token; }
int translate_name(const char*) { return -1; }
