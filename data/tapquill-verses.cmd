@"%~dp0tapquill.exe" --verses || pause
