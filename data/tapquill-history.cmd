@"%~dp0tapquill.exe" --history
@pause
